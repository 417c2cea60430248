// Build tool: compiles the subset of the Windows resource-script language
// that this project uses into a C++ source file holding a ResourceTable.
//
//   rcembed SCRIPT.rc OUTPUT.cc
//
// Understood: LANGUAGE, STRINGTABLE ... BEGIN/END, "id TYPE file" lines
// (HTML, ICON, RCDATA, RT_MANIFEST, a numeric type or a custom type name
// such as BIN), VERSIONINFO blocks (skipped), preprocessor lines and //
// comments (ignored). Anything else stops the build with the script's name,
// the line and the reason.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Resource {
  int typeId = -1;
  std::string typeName;
  int id = -1;
  std::string name;
  unsigned language = 0;
  std::string bytes;
};

struct StringItem {
  unsigned id;
  unsigned language;
  std::string text;
};

[[noreturn]] void Fail(const std::string& file, int line,
                       const std::string& why) {
  std::cerr << file << "(" << line << "): error: " << why << "\n";
  std::exit(1);
}

class Lexer {
 public:
  Lexer(std::string text, std::string file)
      : text_(std::move(text)), file_(std::move(file)) {}

  // Next token: a word, a number, a quoted string (returned decoded, with
  // `quoted` set) or a single punctuation character; empty at the end.
  std::string Next(bool* quoted = nullptr) {
    if (quoted) *quoted = false;
    SkipBlank();
    if (pos_ >= text_.size()) return {};
    char c = text_[pos_];
    if (c == '"') {
      if (quoted) *quoted = true;
      return ReadString();
    }
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      size_t start = pos_;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
              text_[pos_] == '_')) {
        ++pos_;
      }
      return text_.substr(start, pos_ - start);
    }
    ++pos_;
    return std::string(1, c);
  }

  std::string Peek() {
    size_t pos = pos_;
    int line = line_;
    std::string token = Next();
    pos_ = pos;
    line_ = line;
    return token;
  }

  int line() const { return line_; }
  const std::string& file() const { return file_; }

 private:
  void SkipBlank() {
    for (;;) {
      while (pos_ < text_.size() &&
             std::isspace(static_cast<unsigned char>(text_[pos_]))) {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
      }
      bool lineStart = pos_ == 0 || text_[pos_ - 1] == '\n';
      if (pos_ + 1 < text_.size() && text_[pos_] == '/' &&
          text_[pos_ + 1] == '/') {
        SkipLine();
      } else if (pos_ < text_.size() && text_[pos_] == '#' && lineStart) {
        SkipLine();
      } else {
        return;
      }
    }
  }

  void SkipLine() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  }

  std::string ReadString() {
    ++pos_;  // opening quote
    std::string out;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n') {
        Fail(file_, line_, "unterminated string");
      }
      char c = text_[pos_++];
      if (c == '"') {
        if (pos_ < text_.size() && text_[pos_] == '"') {
          out += '"';
          ++pos_;
          continue;
        }
        return out;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) Fail(file_, line_, "unterminated escape");
      char e = text_[pos_++];
      switch (e) {
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case '0':
          out += '\0';
          break;
        case 'x': {
          std::string hex;
          while (hex.size() < 2 && pos_ < text_.size() &&
                 std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
            hex += text_[pos_++];
          }
          if (hex.empty()) Fail(file_, line_, "bad \\x escape");
          out += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
          break;
        }
        default:
          Fail(file_, line_, std::string("unknown escape \\") + e);
      }
    }
  }

  std::string text_;
  std::string file_;
  size_t pos_ = 0;
  int line_ = 1;
};

bool IsNumber(const std::string& token) {
  return !token.empty() && std::isdigit(static_cast<unsigned char>(token[0]));
}

long Number(Lexer& lex, const std::string& token) {
  static const std::map<std::string, long> kNames = {
      {"LANG_NEUTRAL", 0x00},    {"LANG_ENGLISH", 0x09},
      {"LANG_JAPANESE", 0x11},   {"SUBLANG_NEUTRAL", 0x00},
      {"SUBLANG_DEFAULT", 0x01}, {"SUBLANG_ENGLISH_US", 0x01},
  };
  if (IsNumber(token)) {
    char* end = nullptr;
    long value = std::strtol(token.c_str(), &end, 0);
    if (*end != '\0') Fail(lex.file(), lex.line(), "bad number " + token);
    return value;
  }
  auto it = kNames.find(token);
  if (it == kNames.end()) Fail(lex.file(), lex.line(), "unknown name " + token);
  return it->second;
}

std::string ReadFileBytes(const std::string& path, Lexer& lex) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(lex.file(), lex.line(), "cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void SkipBlock(Lexer& lex) {
  // Skips the header up to BEGIN, then the nested BEGIN/END block.
  std::string token;
  while ((token = lex.Next()) != "BEGIN" && token != "{") {
    if (token.empty()) Fail(lex.file(), lex.line(), "missing BEGIN");
  }
  int depth = 1;
  while (depth > 0) {
    token = lex.Next();
    if (token.empty()) Fail(lex.file(), lex.line(), "missing END");
    if (token == "BEGIN" || token == "{") ++depth;
    if (token == "END" || token == "}") --depth;
  }
}

std::string CString(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F && c != '?') {
      out += static_cast<char>(c);
    } else {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: rcembed SCRIPT.rc OUTPUT.cc\n";
    return 2;
  }
  std::string script = argv[1];
  std::string folder = script.substr(0, script.find_last_of('/') + 1);
  std::ifstream in(script, std::ios::binary);
  if (!in) {
    std::cerr << script << ": error: cannot read\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  Lexer lex(text.str(), script);

  unsigned language = 0;
  std::vector<Resource> resources;
  std::vector<StringItem> strings;
  for (std::string token = lex.Next(); !token.empty(); token = lex.Next()) {
    if (token == "LANGUAGE") {
      long primary = Number(lex, lex.Next());
      if (lex.Next() != ",") Fail(script, lex.line(), "expected ,");
      long sub = Number(lex, lex.Next());
      language = static_cast<unsigned>((sub << 10) | primary);
      continue;
    }
    if (token == "STRINGTABLE") {
      while ((token = lex.Next()) != "BEGIN" && token != "{") {
        if (token.empty()) Fail(script, lex.line(), "missing BEGIN");
      }
      for (;;) {
        token = lex.Next();
        if (token == "END" || token == "}") break;
        if (!IsNumber(token)) Fail(script, lex.line(), "expected string id");
        unsigned id = static_cast<unsigned>(Number(lex, token));
        bool quoted = false;
        std::string value = lex.Next(&quoted);
        if (value == ",") value = lex.Next(&quoted);
        if (!quoted) Fail(script, lex.line(), "expected quoted string");
        strings.push_back({id, language, value});
      }
      continue;
    }
    // "<id> <type> <file>" or "<id> VERSIONINFO ...".
    bool nameQuoted = false;
    Resource resource;
    resource.language = language;
    if (IsNumber(token)) {
      resource.id = static_cast<int>(Number(lex, token));
    } else {
      resource.name = token;
    }
    (void)nameQuoted;
    bool typeQuoted = false;
    std::string type = lex.Next(&typeQuoted);
    if (type == "VERSIONINFO") {
      SkipBlock(lex);
      continue;
    }
    if (type == "HTML") {
      resource.typeId = 23;
    } else if (type == "ICON") {
      resource.typeId = 14;
    } else if (type == "RCDATA") {
      resource.typeId = 10;
    } else if (type == "RT_MANIFEST") {
      resource.typeId = 24;
    } else if (IsNumber(type)) {
      resource.typeId = static_cast<int>(Number(lex, type));
    } else if (!type.empty()) {
      resource.typeName = type;
    } else {
      Fail(script, lex.line(), "expected resource type");
    }
    bool fileQuoted = false;
    std::string file = lex.Next(&fileQuoted);
    if (!fileQuoted) Fail(script, lex.line(), "expected quoted file name");
    resource.bytes = ReadFileBytes(folder + file, lex);
    resources.push_back(std::move(resource));
  }

  std::ostringstream out;
  out << "// Generated by rcembed from " << script << ". Do not edit.\n";
  out << "#include \"devseries/platform/resources.h\"\n\nnamespace {\n\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    out << "const unsigned char kData" << i << "[] = {";
    const std::string& bytes = resources[i].bytes;
    for (size_t j = 0; j < bytes.size(); ++j) {
      if (j % 16 == 0) out << "\n   ";
      out << " " << static_cast<unsigned>(static_cast<unsigned char>(bytes[j]))
          << ",";
    }
    if (bytes.empty()) out << "0";
    out << "\n};\n\n";
  }
  out << "const devseries::platform::ResourceEntry kResources[] = {\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    out << "    {" << r.typeId << ", "
        << (r.typeName.empty() ? "nullptr" : CString(r.typeName)) << ", "
        << r.id << ", " << (r.name.empty() ? "nullptr" : CString(r.name))
        << ", " << r.language << ", kData" << i << ", " << r.bytes.size()
        << "},\n";
  }
  if (resources.empty())
    out << "    {0, nullptr, 0, nullptr, 0, nullptr, 0},\n";
  out << "};\n\nconst devseries::platform::StringEntry kStrings[] = {\n";
  for (const StringItem& s : strings) {
    out << "    {" << s.id << ", " << s.language << ", " << CString(s.text)
        << "},\n";
  }
  if (strings.empty()) out << "    {0, 0, nullptr},\n";
  out << "};\n\nconst devseries::platform::ResourceTable kTable = {kResources, "
      << resources.size() << ", kStrings, " << strings.size() << "};\n\n";
  out << "// The executable's own table is the host's from start-up on.\n"
      << "const devseries::platform::HostResourceRegistration "
         "kRegistration(kTable);\n\n"
      << "}  // namespace\n";

  std::string output = argv[2];
  std::string temp = output + ".new";
  {
    std::ofstream file(temp, std::ios::binary);
    file << out.str();
    if (!file) {
      std::cerr << output << ": error: cannot write\n";
      return 1;
    }
  }
  if (std::rename(temp.c_str(), output.c_str()) != 0) {
    std::cerr << output << ": error: cannot write\n";
    return 1;
  }
  return 0;
}
