#include "devseries/platform/dom.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlschemas.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>

#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/progress.h"

namespace devseries::platform {
namespace {

// Options of every parse: no network, blank text between elements dropped,
// CDATA merged into text, line numbers beyond 65535 kept. Never NOENT,
// DTDLOAD, DTDATTR, DTDVALID, XINCLUDE or HUGE: entity substitution and
// external loads stay off and libxml2's size and depth limits stay on.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS |
                              XML_PARSE_NOCDATA | XML_PARSE_BIG_LINES;

std::atomic<int> g_refusedLoads{0};

// Collects the messages of one parse or validation.
struct ParseState {
  DomParseError* error;
  bool refused = false;  // a DOCTYPE or an external load was met
  // For a parse that ends after the root element's start tag: whether that
  // tag was reached, and whether the document was well-formed up to there.
  bool stopAtRoot = false;
  bool rootReached = false;
  bool wellFormedAtRoot = false;
  // For a streamed load: the handler, and the observer the document it
  // builds carries.
  DomStreamHandler* handler = nullptr;
  DomReadObserver* observer = nullptr;
  // Where the document being built is shown while the handler runs.
  xmlDocPtr* building = nullptr;
  // The document the load builds for, charged with the nodes it makes;
  // whether the load stopped past its memory bound, and whether the
  // system ran out of memory.
  DomDocument* owner = nullptr;
  bool overBound = false;
  bool outOfMemory = false;
  // For an event load: the handler and what it needs kept (below).
  struct EventState* events = nullptr;
  // The parser at work, once it is made.
  xmlParserCtxtPtr parser = nullptr;
  // For a load validated as it is parsed: the schemas' messages, kept
  // apart from the parser's, which decide first.
  std::vector<std::string>* violations = nullptr;
};

thread_local ParseState* t_parseState = nullptr;

void Record(ParseState* state, const xmlError* error) {
  if (state == nullptr || error == nullptr) return;
  if (error->level == XML_ERR_WARNING) return;
  std::string message = error->message != nullptr ? error->message : "error";
  // libxml2 reports a text node over its size limit as a failed allocation
  // ("huge text node"); that is the file's fault, not the system's.
  if (error->code == XML_ERR_NO_MEMORY &&
      message.find("huge") == std::string::npos) {
    state->outOfMemory = true;
  }
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  DomParseError& out = *state->error;
  if (out.messages.empty()) {
    out.reason = message;
    out.line = error->line;
  }
  out.messages.push_back("line " + std::to_string(error->line) + ": " +
                         message);
}

void CollectParserError(void* userData, xmlErrorPtr error) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
  Record(
      ctxt != nullptr ? static_cast<ParseState*>(ctxt->_private) : t_parseState,
      error);
}

void CollectStateError(void* userData, xmlErrorPtr error) {
  Record(static_cast<ParseState*>(userData), error);
}

// A schema's message during a load validated as it is parsed.
void CollectViolation(void* userData, xmlErrorPtr error) {
  auto* state = static_cast<ParseState*>(userData);
  if (error == nullptr || error->level == XML_ERR_WARNING) return;
  std::string message = error->message != nullptr ? error->message : "error";
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  state->violations->push_back("line " + std::to_string(error->line) + ": " +
                               message);
}

// Where a load validated as it is parsed stands, for the schema's messages.
int LocateInParse(void* userData, const char** file, unsigned long* line) {
  const xmlParserCtxtPtr parser = static_cast<ParseState*>(userData)->parser;
  if (parser == nullptr || parser->input == nullptr) return -1;
  if (file != nullptr) *file = parser->input->filename;
  if (line != nullptr) *line = static_cast<unsigned long>(parser->input->line);
  return 0;
}

// Anything libxml2 would print goes to the active parse, or nowhere.
void CollectStrayError(void*, xmlErrorPtr error) {
  Record(t_parseState, error);
}
void DiscardGenericError(void*, const char*, ...) {}

// Refuses every external entity, DTD or schema include, and notes it.
xmlParserInputPtr RefuseExternalLoad(const char* url, const char*,
                                     xmlParserCtxtPtr ctxt) {
  ++g_refusedLoads;
  ParseState* state = ctxt != nullptr && ctxt->_private != nullptr
                          ? static_cast<ParseState*>(ctxt->_private)
                          : t_parseState;
  if (state != nullptr) {
    state->refused = true;
    DomParseError& out = *state->error;
    std::string message = std::string("external resource refused: ") +
                          (url != nullptr ? url : "(unnamed)");
    if (out.messages.empty()) out.reason = message;
    out.messages.push_back(message);
  }
  return nullptr;
}

// The format never carries a document type declaration; one is refused
// before any of its entities can be looked at.
void RejectDocumentType(void* ctx, const xmlChar*, const xmlChar*,
                        const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (state != nullptr) {
    state->refused = true;
    DomParseError& out = *state->error;
    std::string message = "line " + std::to_string(xmlSAX2GetLineNumber(ctx)) +
                          ": a document type declaration is not allowed";
    if (out.messages.empty()) {
      out.reason = "a document type declaration is not allowed";
      out.line = xmlSAX2GetLineNumber(ctx);
    }
    out.messages.push_back(message);
  }
  xmlStopParser(ctxt);
}

// libxml2 keeps a node's line in 16 bits: past line 65535 an element,
// comment or processing instruction holds 65535, and xmlGetLineNo guesses
// from a neighbouring text node (which keeps its full line in psvi with
// XML_PARSE_BIG_LINES). These handlers keep the full line of those nodes in
// psvi the same way, so DomNode::GetLine is exact in files of any length;
// nothing else here uses psvi.
constexpr unsigned kLineLimit = 65535;

void KeepFullLine(xmlParserCtxtPtr ctxt, xmlNodePtr node) {
  if (node == nullptr || ctxt->input == nullptr) return;
  if (node->line == kLineLimit && ctxt->input->line >= 0 &&
      static_cast<unsigned>(ctxt->input->line) >= kLineLimit) {
    node->psvi =
        reinterpret_cast<void*>(static_cast<std::intptr_t>(ctxt->input->line));
  }
}

// The node a comment or processing instruction handler just added.
xmlNodePtr LastAdded(xmlParserCtxtPtr ctxt) {
  if (ctxt->node != nullptr) return ctxt->node->last;
  return ctxt->myDoc != nullptr ? ctxt->myDoc->last : nullptr;
}

// What the nodes of a load take in memory, as charged to the document: a
// node, its content (a text node's buffer grows by doubling, so up to
// twice its text) and its name. The allocator takes a little more than
// each block asked for.
constexpr std::uint64_t kBlockOverhead = 16;
constexpr std::uint64_t kNodeCost = sizeof(xmlNode) + kBlockOverhead;
constexpr std::uint64_t kAttributeCost =
    sizeof(xmlAttr) + kBlockOverhead + kNodeCost;
constexpr std::uint64_t kNamespaceCost = sizeof(xmlNs) + kBlockOverhead;

std::uint64_t Length(const xmlChar* text) {
  return text != nullptr ? std::strlen(reinterpret_cast<const char*>(text)) : 0;
}

// "8 MiB", or the exact bytes of a bound that is not whole mebibytes.
std::string BoundText(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  if (bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

// Charges the document being built with `bytes`; past its memory bound
// the parse stops and the load is refused. Once it has stopped nothing
// more is charged.
void ChargeParse(xmlParserCtxtPtr ctxt, std::uint64_t bytes) {
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (state == nullptr || state->owner == nullptr || state->overBound) return;
  if (state->owner->ChargeMemory(bytes)) return;
  state->overBound = true;
  DomParseError& out = *state->error;
  const int line = xmlSAX2GetLineNumber(ctxt);
  const std::string message = "the document takes more than " +
                              BoundText(state->owner->MemoryBound()) +
                              " in memory, its bound; the read stops here";
  // This refusal decides, whatever was noted before it.
  out.reason = message;
  out.line = line;
  out.messages.push_back("line " + std::to_string(line) + ": " + message);
  xmlStopParser(ctxt);
}

// The memory the nodes below `node` were charged with that freeing them
// gives back: the nodes and attributes themselves.
std::uint64_t ChargedNodes(xmlNodePtr first) {
  std::uint64_t bytes = 0;
  for (xmlNodePtr node = first; node != nullptr; node = node->next) {
    bytes += kNodeCost;
    if (node->type != XML_ELEMENT_NODE) continue;
    for (xmlAttrPtr attr = node->properties; attr != nullptr;
         attr = attr->next) {
      bytes += kAttributeCost;
    }
    bytes += ChargedNodes(node->children);
  }
  return bytes;
}

// Runs a call of a stream handler inside a parser callback: nothing may
// unwind through libxml2's frames, so a handler that throws despite its
// contract stops the parse (the load then fails).
template <typename Call>
void TellHandler(xmlParserCtxtPtr ctxt, Call&& call) {
  try {
    call();
  } catch (...) {
    xmlStopParser(ctxt);
  }
}

void StartElementKeepingLine(void* ctx, const xmlChar* localname,
                             const xmlChar* prefix, const xmlChar* uri,
                             int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaultedCount,
                             const xmlChar** attributes) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  const int depth = ctxt->nodeNr;
  xmlSAX2StartElementNs(ctx, localname, prefix, uri, namespaceCount, namespaces,
                        attributeCount, defaultedCount, attributes);
  KeepFullLine(ctxt, ctxt->node);
  // Attribute values come as [value, end) pairs; the names are in the
  // dictionary, charged once per use.
  std::uint64_t bytes = kNodeCost + Length(localname) + Length(prefix);
  for (int i = 0; i < attributeCount; ++i) {
    const xmlChar* const* attribute = attributes + 5 * i;
    bytes += kAttributeCost + Length(attribute[0]) +
             2 * static_cast<std::uint64_t>(attribute[4] - attribute[3]);
  }
  bytes += static_cast<std::uint64_t>(namespaceCount) * kNamespaceCost;
  ChargeParse(ctxt, bytes);
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (state != nullptr && state->handler != nullptr &&
      ctxt->nodeNr == depth + 1 && !ctxt->disableSAX) {
    TellHandler(ctxt, [&] {
      state->handler->ElementStarted(DomNode(ctxt->node), ctxt->nodeNr);
    });
  }
  if (state != nullptr && state->stopAtRoot && !state->rootReached) {
    // The first start tag is the root's, with its attributes in place.
    state->rootReached = true;
    state->wellFormedAtRoot = ctxt->wellFormed != 0;
    xmlStopParser(ctxt);
  }
}

void EndElementTellingHandler(void* ctx, const xmlChar* localname,
                              const xmlChar* prefix, const xmlChar* uri) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  xmlNodePtr element = ctxt->node;
  const int depth = ctxt->nodeNr;
  xmlSAX2EndElementNs(ctx, localname, prefix, uri);
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (element != nullptr && ctxt->nodeNr == depth - 1 && !ctxt->disableSAX) {
    TellHandler(ctxt,
                [&] { state->handler->ElementEnded(DomNode(element), depth); });
  }
}

void StartDocumentKeepingObserver(void* ctx) {
  xmlSAX2StartDocument(ctx);
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (ctxt->myDoc != nullptr) ctxt->myDoc->_private = state->observer;
  *state->building = ctxt->myDoc;
}

void CommentKeepingLine(void* ctx, const xmlChar* value) {
  xmlSAX2Comment(ctx, value);
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  KeepFullLine(ctxt, LastAdded(ctxt));
  ChargeParse(ctxt, kNodeCost + 2 * Length(value));
}

void InstructionKeepingLine(void* ctx, const xmlChar* target,
                            const xmlChar* data) {
  xmlSAX2ProcessingInstruction(ctx, target, data);
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  KeepFullLine(ctxt, LastAdded(ctxt));
  ChargeParse(ctxt, kNodeCost + Length(target) + 2 * Length(data));
}

// Text is added to the last text node where it can be (its buffer grows by
// doubling), else as a new node.
void CharactersCharged(void* ctx, const xmlChar* text, int length) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  const xmlNodePtr before = LastAdded(ctxt);
  xmlSAX2Characters(ctx, text, length);
  const std::uint64_t bytes = 2 * static_cast<std::uint64_t>(length);
  ChargeParse(ctxt, LastAdded(ctxt) != before ? kNodeCost + bytes : bytes);
}

// ------------------------------------------------------------ event loads
//
// The parser's blank-text rule (XML_PARSE_NOBLANKS) is decided against the
// element being parsed: blank text is dropped only where that element's
// first and last children are not text (and it has children, or more than
// an end tag follows). With no tree built, an event load keeps a stand-in
// for each open element that answers just that, so the rule decides as it
// does for a load; the stand-ins' children are two shared nodes, which only
// say whether a child is text.

std::string_view Chars(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text))
                         : std::string_view();
}

// An open element: its stand-in, and what its own node and the nodes
// below it would be charged with (given back when the handler discards
// them).
struct OpenElement {
  xmlNode standIn;
  std::uint64_t own;
  std::uint64_t below;
};

struct EventState {
  EventState() {
    text.type = XML_TEXT_NODE;
    other.type = XML_ELEMENT_NODE;
  }
  DomEventHandler* handler = nullptr;
  // The open elements, outermost first: the first `depth` entries (the
  // others are kept for reuse).
  std::vector<OpenElement> open;
  size_t depth = 0;
  // The stand-ins of children that are text, and of the others.
  xmlNode text{};
  xmlNode other{};
  std::vector<DomEventHandler::Attribute> attributes;
  // The length of the text node being parsed.
  size_t textLength = 0;

  OpenElement* Top() { return depth > 0 ? &open[depth - 1] : nullptr; }
};

EventState& EventsOf(xmlParserCtxtPtr ctxt) {
  return *static_cast<ParseState*>(ctxt->_private)->events;
}

// Charges as a load charges what it makes (ChargeParse), the usual case
// inline.
inline void ChargeEvent(xmlParserCtxtPtr ctxt, std::uint64_t bytes) {
  auto* state = static_cast<ParseState*>(ctxt->_private);
  if (!state->overBound && state->owner->ChargeMemory(bytes)) return;
  ChargeParse(ctxt, bytes);
}

// Notes a child (`child`: a stand-in) added to the element being parsed,
// `cost` its charged node memory.
void AddStandInChild(EventState& events, xmlNode& child, std::uint64_t cost) {
  OpenElement* parent = events.Top();
  if (parent == nullptr) return;
  if (parent->standIn.children == nullptr) parent->standIn.children = &child;
  parent->standIn.last = &child;
  parent->below += cost;
}

// Stops the parse when the handler says so.
void GoOnOrStop(xmlParserCtxtPtr ctxt, bool goOn) {
  if (!goOn) xmlStopParser(ctxt);
}

void StartElementEvent(void* ctx, const xmlChar* localname,
                       const xmlChar* prefix, const xmlChar*,
                       int namespaceCount, const xmlChar**, int attributeCount,
                       int, const xmlChar** attributes) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  EventState& events = EventsOf(ctxt);
  const std::string_view name = Chars(localname);
  const std::string_view namePrefix = Chars(prefix);
  // Charged as a load charges the element it makes.
  std::uint64_t bytes = kNodeCost + name.size() + namePrefix.size();
  events.attributes.clear();
  for (int i = 0; i < attributeCount; ++i) {
    const xmlChar* const* attribute = attributes + 5 * i;
    const auto size = static_cast<size_t>(attribute[4] - attribute[3]);
    const std::string_view attributeName = Chars(attribute[0]);
    bytes += kAttributeCost + attributeName.size() + 2 * std::uint64_t{size};
    const std::string_view value(reinterpret_cast<const char*>(attribute[3]),
                                 size);
    events.attributes.push_back({Chars(attribute[1]), attributeName, value,
                                 value.find('&') != std::string_view::npos});
  }
  bytes += static_cast<std::uint64_t>(namespaceCount) * kNamespaceCost;
  ChargeEvent(ctxt, bytes);
  AddStandInChild(events, events.other, 0);
  if (events.depth == events.open.size()) events.open.emplace_back();
  OpenElement& element = events.open[events.depth++];
  element.standIn.type = XML_ELEMENT_NODE;
  element.standIn.children = nullptr;
  element.standIn.last = nullptr;
  element.own =
      kNodeCost + static_cast<std::uint64_t>(attributeCount) * kAttributeCost;
  element.below = 0;
  ctxt->node = &element.standIn;
  if (ctxt->disableSAX) return;
  GoOnOrStop(ctxt,
             events.handler->StartElement(namePrefix, name, events.attributes,
                                          static_cast<int>(events.depth)));
}

void EndElementEvent(void* ctx, const xmlChar*, const xmlChar*,
                     const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  EventState& events = EventsOf(ctxt);
  OpenElement* element = events.Top();
  if (element == nullptr) return;
  bool discard = false;
  const bool goOn =
      ctxt->disableSAX ||
      events.handler->EndElement(static_cast<int>(events.depth), discard);
  if (discard) {
    static_cast<ParseState*>(ctxt->_private)
        ->owner->ReleaseMemory(element->below);
    element->below = 0;
  }
  const std::uint64_t cost = element->own + element->below;
  --events.depth;
  OpenElement* parent = events.Top();
  if (parent != nullptr) parent->below += cost;
  ctxt->node = parent != nullptr ? &parent->standIn : nullptr;
  GoOnOrStop(ctxt, goOn);
}

void CharactersEvent(void* ctx, const xmlChar* text, int length) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  EventState& events = EventsOf(ctxt);
  // Text joins a text node just before it, as a load's does.
  OpenElement* element = events.Top();
  const bool joins =
      element != nullptr && element->standIn.last == &events.text;
  const std::uint64_t bytes = 2 * static_cast<std::uint64_t>(length);
  ChargeEvent(ctxt, joins || element == nullptr ? bytes : kNodeCost + bytes);
  if (joins &&
      events.textLength + static_cast<size_t>(length) > XML_MAX_TEXT_LENGTH) {
    // The tree builder refuses a text node past libxml2's limit as it joins
    // it, and stops the parse: the same here.
    xmlError error{};
    error.domain = XML_FROM_PARSER;
    error.code = XML_ERR_NO_MEMORY;
    error.level = XML_ERR_ERROR;
    char message[] = "xmlSAX2Characters: huge text node";
    error.message = message;
    error.line = ctxt->input != nullptr ? ctxt->input->line : 0;
    Record(static_cast<ParseState*>(ctxt->_private), &error);
    ctxt->errNo = XML_ERR_NO_MEMORY;
    ctxt->instate = XML_PARSER_EOF;
    ctxt->disableSAX = 1;
    return;
  }
  events.textLength = joins ? events.textLength + static_cast<size_t>(length)
                            : static_cast<size_t>(length);
  if (!joins) AddStandInChild(events, events.text, kNodeCost);
  if (ctxt->disableSAX || element == nullptr) return;
  GoOnOrStop(ctxt, events.handler->Text(
                       std::string_view(reinterpret_cast<const char*>(text),
                                        static_cast<size_t>(length))));
}

void CommentEvent(void* ctx, const xmlChar* value) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  EventState& events = EventsOf(ctxt);
  ChargeEvent(ctxt, kNodeCost + 2 * Length(value));
  AddStandInChild(events, events.other, kNodeCost);
  if (ctxt->disableSAX) return;
  GoOnOrStop(ctxt, events.handler->Comment());
}

void InstructionEvent(void* ctx, const xmlChar* target, const xmlChar* data) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  EventState& events = EventsOf(ctxt);
  ChargeEvent(ctxt, kNodeCost + Length(target) + 2 * Length(data));
  AddStandInChild(events, events.other, kNodeCost);
  if (ctxt->disableSAX) return;
  GoOnOrStop(ctxt, events.handler->Instruction(Chars(target)));
}

// An event load builds no document.
void NoDocument(void*) {}

bool InitialiseService() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalLoad);
    xmlThrDefSetStructuredErrorFunc(nullptr, CollectStrayError);
    xmlThrDefSetGenericErrorFunc(nullptr, DiscardGenericError);
    ok = true;
  });
  // The error handlers are per thread in libxml2.
  xmlSetStructuredErrorFunc(nullptr, CollectStrayError);
  xmlSetGenericErrorFunc(nullptr, DiscardGenericError);
  return ok;
}

// The size of the file at `path` for the message of a file refused as too
// large; 0 when it cannot be told.
std::uint64_t SizeOnDisk(const std::string& path) {
  FileInfo info;
  return FileSystem::Current()->Stat(path, &info) == FileError::kNone
             ? info.size
             : 0;
}

// Hands the bytes of the file at `path` to `sink` piece by piece through
// the file seam, up to `limit` bytes, and reports the reading to
// the progress observer when one is installed.
FileError ReadDocumentFile(const std::string& path, size_t limit,
                           const FileSystem::ChunkSink& sink) {
  FileSystem& fs = *FileSystem::Current();
  ProgressReport progress;
  if (ProgressReport::Observed()) {
    FileInfo info;
    progress.Start(ProgressWork::kReading, path,
                   fs.Stat(path, &info) == FileError::kNone ? info.size : 0);
  }
  if (!progress.started()) {
    return fs.ReadFileInPieces(path, limit, sink);
  }
  return fs.ReadFileInPieces(path, limit, [&](std::string_view piece) {
    const bool more = sink(piece);
    progress.Add(piece.size());
    return more;
  });
}

const xmlChar* X(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}

std::string_view View(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text))
                         : std::string_view();
}

// A NUL-terminated copy of a name, on the stack for the usual short names.
class NameBuffer {
 public:
  explicit NameBuffer(std::string_view name) {
    if (name.size() < sizeof small_) {
      std::memcpy(small_, name.data(), name.size());
      small_[name.size()] = '\0';
      text_ = small_;
    } else {
      large_.assign(name);
      text_ = large_.c_str();
    }
    embeddedZero_ = name.find('\0') != std::string_view::npos;
  }
  const xmlChar* get() const { return X(text_); }
  bool valid() const {
    return !embeddedZero_ && xmlValidateName(get(), 0) == 0;
  }

 private:
  char small_[128];
  std::string large_;
  const char* text_;
  bool embeddedZero_ = false;
};

// Length of the valid UTF-8 sequence of an XML 1.0 character at `p`, or 0.
size_t XmlCharLength(const unsigned char* p, size_t left) {
  unsigned c = p[0];
  if (c < 0x80) {
    return (c >= 0x20 || c == 0x09 || c == 0x0A || c == 0x0D) ? 1 : 0;
  }
  size_t length;
  unsigned code;
  if ((c & 0xE0) == 0xC0) {
    length = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4;
    code = c & 0x07;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  static const unsigned kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kMinimum[length]) return 0;  // overlong form
  if (code >= 0xD800 && code <= 0xDFFF) return 0;
  if (code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF) return 0;
  return length;
}

xmlNodePtr NewTextNode(xmlDocPtr doc, std::string_view text) {
  std::string scratch;
  std::string_view safe = XmlSafeText(text, scratch);
  xmlNodePtr node =
      xmlNewDocTextLen(doc, X(safe.data()), static_cast<int>(safe.size()));
  if (node == nullptr) throw _com_error(E_OUTOFMEMORY);
  return node;
}

// Links the unlinked `node` as the last child of `parent`, by hand:
// xmlAddChild would merge adjacent text nodes.
void LinkLast(xmlNodePtr parent, xmlNodePtr node) {
  node->parent = parent;
  node->prev = parent->last;
  node->next = nullptr;
  if (parent->last != nullptr) {
    parent->last->next = node;
  } else {
    parent->children = node;
  }
  parent->last = node;
}

// Links `node` into the nursery: created nodes live there until attached.
void Adopt(xmlNodePtr nursery, xmlNodePtr node) {
  if (node->type == XML_ATTRIBUTE_NODE) {
    node->parent = nursery;
    auto* attr = reinterpret_cast<xmlAttrPtr>(node);
    attr->next = nursery->properties;
    if (nursery->properties != nullptr) nursery->properties->prev = attr;
    nursery->properties = attr;
    return;
  }
  LinkLast(nursery, node);
}

bool IsNursery(xmlNodePtr node) {
  return node != nullptr && node->type == XML_ELEMENT_NODE &&
         node->_private == reinterpret_cast<void*>(&Adopt);
}

}  // namespace

std::string_view XmlSafeText(std::string_view text, std::string& scratch) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    // Printable ASCII, the bulk of every text, needs no decoding.
    if (p[i] >= 0x20 && p[i] < 0x80) {
      ++i;
      continue;
    }
    size_t n = XmlCharLength(p + i, size - i);
    if (n == 0) break;
    i += n;
  }
  if (i == size) return text;
  scratch.assign(text.data(), i);
  while (i < size) {
    size_t n = XmlCharLength(p + i, size - i);
    if (n == 0) {
      scratch.append("\xEF\xBF\xBD");
      ++i;
    } else {
      scratch.append(text.data() + i, n);
      i += n;
    }
  }
  return scratch;
}

bool IsValidXmlName(std::string_view name) {
  // An ASCII name is decided here as libxml2 decides it: a letter, '_' or
  // ':' first, then letters, digits, '.', '-', '_' or ':'. A name with any
  // other byte goes to libxml2's own check.
  auto first = [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           c == ':';
  };
  bool valid = !name.empty();
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) return NameBuffer(name).valid();
    if (!(first(c) ||
          (i > 0 && ((c >= '0' && c <= '9') || c == '.' || c == '-')))) {
      valid = false;
    }
  }
  return valid;
}

// ---------------------------------------------------------------- DomNode

xmlNodePtr DomNode::Checked() const {
  if (node_ == nullptr) throw _com_error(E_POINTER);
  return node_;
}

DomNodeType DomNode::GetNodeType() const {
  switch (Checked()->type) {
    case XML_ELEMENT_NODE:
      return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE:
      return NODE_ATTRIBUTE;
    case XML_TEXT_NODE:
      return NODE_TEXT;
    case XML_CDATA_SECTION_NODE:
      return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE:
      return NODE_ENTITY_REFERENCE;
    case XML_PI_NODE:
      return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE:
      return NODE_COMMENT;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return NODE_DOCUMENT;
    default:
      return NODE_INVALID;
  }
}

std::string_view DomNode::NodeName() const {
  xmlNodePtr node = Checked();
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      if (node->ns != nullptr && node->ns->prefix != nullptr) {
        thread_local std::string qualified;
        qualified.assign(View(node->ns->prefix));
        qualified += ':';
        qualified += View(node->name);
        return qualified;
      }
      return View(node->name);
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return "#document";
    default:
      return View(node->name);
  }
}

std::string DomNode::GetNodeName() const { return std::string(NodeName()); }

bool DomNode::IsElementNamed(std::string_view name) const {
  xmlNodePtr node = Checked();
  if (node->type != XML_ELEMENT_NODE) return false;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    return NodeName() == name;
  }
  // Readers ask this of every positional member: compared in place,
  // without measuring the name first. No element name holds a zero byte.
  const char* own = reinterpret_cast<const char*>(node->name);
  size_t i = 0;
  for (; i < name.size(); ++i) {
    if (own[i] != name[i] || own[i] == '\0') return false;
  }
  return own[i] == '\0';
}

DomNode DomNode::GetFirstChild() const {
  xmlNodePtr node = Checked();
  if (node->type == XML_ATTRIBUTE_NODE) {
    return DomNode(reinterpret_cast<xmlAttrPtr>(node)->children);
  }
  return DomNode(node->children);
}

// Range-for and the standard algorithms take the child range as it is.
static_assert(std::forward_iterator<DomNode::ChildIterator>);
static_assert(sizeof(DomNode::ChildIterator) == sizeof(void*));

DomNode::ChildRange DomNode::Children() const {
  return ChildRange(GetFirstChild().node_);
}

xmlNodePtr DomNode::Following(xmlNodePtr node) {
  // Only the nursery's children need GetNextSibling's care, and the nursery
  // is never handed out as a node whose children could be walked.
  return node->next;
}

DomNode DomNode::FirstChildNamed(std::string_view name) const {
  for (DomNode child : Children()) {
    if (child.IsElementNamed(name)) return child;
  }
  return DomNode();
}

DomNode DomNode::GetNextSibling() const {
  xmlNodePtr node = Checked();
  if (IsNursery(node->parent)) return DomNode();
  if (node->type == XML_ATTRIBUTE_NODE) return DomNode();
  return DomNode(node->next);
}

DomNode DomNode::GetParentNode() const {
  xmlNodePtr node = Checked();
  if (node->type == XML_ATTRIBUTE_NODE || IsNursery(node->parent)) {
    return DomNode();
  }
  return DomNode(node->parent);
}

DomNode DomNode::GetPreviousSibling() const {
  xmlNodePtr node = Checked();
  if (node->type == XML_ATTRIBUTE_NODE || IsNursery(node->parent)) {
    return DomNode();
  }
  return DomNode(node->prev);
}

int DomNode::GetLine() const {
  xmlNodePtr node = Checked();
  // An attribute has no line of its own: it stands on its element's.
  if (node->type == XML_ATTRIBUTE_NODE) node = node->parent;
  if (node == nullptr || node->type == XML_DOCUMENT_NODE) return 0;
  if (node->line == kLineLimit && node->psvi != nullptr &&
      (node->type == XML_ELEMENT_NODE || node->type == XML_COMMENT_NODE ||
       node->type == XML_PI_NODE)) {
    // Kept by the parse handlers above.
    return static_cast<int>(reinterpret_cast<std::intptr_t>(node->psvi));
  }
  long line = xmlGetLineNo(node);
  return line > 0 && line <= INT32_MAX ? static_cast<int>(line) : 0;
}

DomReadObserver* DomNode::ReadObserver() const {
  if (node_ == nullptr || node_->doc == nullptr) return nullptr;
  return static_cast<DomReadObserver*>(node_->doc->_private);
}

std::string_view DomNode::TextView(std::string& scratch) const {
  xmlNodePtr node = Checked();
  switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return View(node->content);
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: {
      xmlNodePtr first = node->children;
      if (first == nullptr) return {};
      if (first->next == nullptr && (first->type == XML_TEXT_NODE ||
                                     first->type == XML_CDATA_SECTION_NODE)) {
        return View(first->content);
      }
      break;
    }
    default:
      break;
  }
  xmlChar* content = xmlNodeGetContent(node);
  scratch.assign(View(content));
  xmlFree(content);
  return scratch;
}

std::string DomNode::GetText() const {
  std::string scratch;
  std::string_view view = TextView(scratch);
  if (view.data() == scratch.data()) return scratch;
  return std::string(view);
}

void DomNode::SetText(std::string_view text) {
  xmlNodePtr node = Checked();
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: {
      xmlNodePtr old = node->children;
      node->children = nullptr;
      node->last = nullptr;
      if (old != nullptr) xmlFreeNodeList(old);
      if (text.empty()) return;
      xmlNodePtr textNode = NewTextNode(node->doc, text);
      textNode->parent = node;
      node->children = textNode;
      node->last = textNode;
      return;
    }
    case XML_TEXT_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: {
      std::string scratch;
      std::string_view safe = XmlSafeText(text, scratch);
      xmlNodeSetContentLen(node, X(safe.data()), static_cast<int>(safe.size()));
      return;
    }
    default:
      throw _com_error(E_FAIL, "this node holds no text");
  }
}

DomNode DomNode::GetAttributeNode(std::string_view name) const {
  xmlNodePtr node = Checked();
  if (node->type != XML_ELEMENT_NODE) throw _com_error(E_POINTER);
  for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next) {
    if (DomNode(reinterpret_cast<xmlNodePtr>(attr)).NodeName() == name) {
      return DomNode(reinterpret_cast<xmlNodePtr>(attr));
    }
  }
  return DomNode();
}

void DomNode::SetAttribute(std::string_view name, std::string_view value) {
  xmlNodePtr node = Checked();
  if (node->type != XML_ELEMENT_NODE) {
    throw _com_error(E_FAIL, "attributes belong to elements only");
  }
  NameBuffer attrName(name);
  if (!attrName.valid()) {
    throw _com_error(XML_E_INVALIDNAME,
                     "invalid attribute name \"" + std::string(name) + "\"");
  }
  std::string scratch;
  std::string safe(XmlSafeText(value, scratch));
  if (xmlSetProp(node, attrName.get(), X(safe.c_str())) == nullptr) {
    throw _com_error(E_OUTOFMEMORY);
  }
}

void DomNode::SetNamedItem(DomNode attribute) {
  xmlNodePtr node = Checked();
  xmlNodePtr attr = attribute.Checked();
  if (node->type != XML_ELEMENT_NODE || attr->type != XML_ATTRIBUTE_NODE) {
    throw _com_error(E_FAIL, "only an attribute node can be set on an element");
  }
  xmlUnlinkNode(attr);
  if (xmlAddChild(node, attr) == nullptr) throw _com_error(E_FAIL);
}

void DomNode::DiscardChildren() {
  xmlNodePtr node = Checked();
  if (node->type != XML_ELEMENT_NODE || node->children == nullptr) return;
  xmlNodePtr children = node->children;
  node->children = nullptr;
  node->last = nullptr;
  if (t_parseState != nullptr && t_parseState->owner != nullptr &&
      t_parseState->building != nullptr &&
      *t_parseState->building == node->doc) {
    t_parseState->owner->ReleaseMemory(ChargedNodes(children));
  }
  xmlFreeNodeList(children);
}

DomNode DomNode::AppendChild(DomNode child) {
  return InsertBefore(child, DomNode());
}

DomNode DomNode::InsertBefore(DomNode child, DomNode reference) {
  xmlNodePtr parent = Checked();
  xmlNodePtr node = child.Checked();
  if (node->type == XML_ATTRIBUTE_NODE || node->type == XML_DOCUMENT_NODE ||
      (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)) {
    throw _com_error(E_FAIL, "this node cannot take that child");
  }
  for (xmlNodePtr up = parent; up != nullptr; up = up->parent) {
    if (up == node) throw _com_error(E_FAIL, "a node cannot contain itself");
  }
  xmlNodePtr before = reference.raw();
  if (before != nullptr && before->parent != parent) {
    throw _com_error(E_INVALIDARG, "the reference node is not a child");
  }
  if (before == node) return child;
  xmlUnlinkNode(node);
  if (before == nullptr) {
    LinkLast(parent, node);
  } else {
    // Linked by hand, as LinkLast does.
    node->parent = parent;
    node->next = before;
    node->prev = before->prev;
    if (before->prev != nullptr) {
      before->prev->next = node;
    } else {
      parent->children = node;
    }
    before->prev = node;
  }
  return child;
}

// ------------------------------------------------------------- DomDocument

DomDocument::DomDocument() {
  InitialiseService();
  Reset();
}

DomDocument::~DomDocument() {
  if (nursery_ != nullptr) xmlFreeNode(nursery_);
  if (doc_ != nullptr) xmlFreeDoc(doc_);
  if (stoppedTree_ != nullptr) xmlFreeDoc(stoppedTree_);
}

void DomDocument::Reset() {
  if (nursery_ != nullptr) xmlFreeNode(nursery_);
  if (doc_ != nullptr) xmlFreeDoc(doc_);
  if (stoppedTree_ != nullptr) xmlFreeDoc(stoppedTree_);
  stoppedTree_ = nullptr;
  nursery_ = nullptr;
  doc_ = xmlNewDoc(X("1.0"));
  if (doc_ == nullptr) throw _com_error(E_OUTOFMEMORY);
  // Element names are kept in the document's dictionary.
  doc_->dict = xmlDictCreate();
  nursery_ = xmlNewDocNode(doc_, nullptr, X("nursery"), nullptr);
  if (doc_->dict == nullptr || nursery_ == nullptr) {
    throw _com_error(E_OUTOFMEMORY);
  }
  nursery_->_private = reinterpret_cast<void*>(&Adopt);
}

DomNode DomDocument::AsNode() const {
  return DomNode(
      reinterpret_cast<xmlNodePtr>(building_ != nullptr ? building_ : doc_));
}

DomNode DomDocument::CreateElement(std::string_view name) {
  NameBuffer elementName(name);
  if (!elementName.valid()) {
    throw _com_error(XML_E_INVALIDNAME,
                     "invalid element name \"" + std::string(name) + "\"");
  }
  xmlNodePtr node = xmlNewDocNode(doc_, nullptr, elementName.get(), nullptr);
  if (node == nullptr) throw _com_error(E_OUTOFMEMORY);
  Adopt(nursery_, node);
  return DomNode(node);
}

DomNode DomDocument::CreateAttribute(std::string_view name) {
  NameBuffer attrName(name);
  if (!attrName.valid()) {
    throw _com_error(XML_E_INVALIDNAME,
                     "invalid attribute name \"" + std::string(name) + "\"");
  }
  xmlAttrPtr attr = xmlNewDocProp(doc_, attrName.get(), nullptr);
  if (attr == nullptr) throw _com_error(E_OUTOFMEMORY);
  xmlNodePtr node = reinterpret_cast<xmlNodePtr>(attr);
  Adopt(nursery_, node);
  return DomNode(node);
}

DomNode DomDocument::CreateProcessingInstruction(std::string_view target,
                                                 std::string_view data) {
  NameBuffer targetName(target);
  if (!targetName.valid()) {
    throw _com_error(XML_E_INVALIDNAME,
                     "invalid processing instruction "
                     "target \"" +
                         std::string(target) + "\"");
  }
  std::string scratch;
  std::string content(XmlSafeText(data, scratch));
  xmlNodePtr node = xmlNewDocPI(doc_, targetName.get(), X(content.c_str()));
  if (node == nullptr) throw _com_error(E_OUTOFMEMORY);
  Adopt(nursery_, node);
  return DomNode(node);
}

std::vector<DomNode> DomDocument::GetElementsByTagName(
    std::string_view name) const {
  std::vector<DomNode> found;
  xmlNodePtr node = doc_->children;
  while (node != nullptr) {
    if (node->type == XML_ELEMENT_NODE && DomNode(node).NodeName() == name) {
      found.emplace_back(node);
    }
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
      node = node->children;
      continue;
    }
    while (node != nullptr && node->next == nullptr) {
      node = node->parent;
      if (node == reinterpret_cast<xmlNodePtr>(doc_)) node = nullptr;
    }
    if (node != nullptr) node = node->next;
  }
  return found;
}

DomReadObserver* DomDocument::SetReadObserver(DomReadObserver* observer) {
  auto* previous = static_cast<DomReadObserver*>(doc_->_private);
  doc_->_private = observer;
  return previous;
}

DomDocument::Source DomDocument::FileSource(const std::string& path) {
  return [this, path](const FileSystem::ChunkSink& sink) {
    FileError error = ReadDocumentFile(path, sizeLimit_, sink);
    if (error == FileError::kTooLarge) {
      parseError_.fileBytes = SizeOnDisk(path);
    }
    return error;
  };
}

bool DomDocument::Load(const std::string& path) {
  return Parse(FileSource(path), path, nullptr);
}

bool DomDocument::LoadFromMemory(std::string_view bytes,
                                 const std::string& name) {
  return Parse(
      [&](const FileSystem::ChunkSink& sink) {
        if (bytes.size() > sizeLimit_) {
          parseError_.fileBytes = bytes.size();
          return FileError::kTooLarge;
        }
        constexpr size_t kPiece = size_t{1} << 20;
        for (size_t at = 0; at < bytes.size(); at += kPiece) {
          if (!sink(bytes.substr(at, kPiece))) break;
        }
        return FileError::kNone;
      },
      name, nullptr);
}

bool DomDocument::LoadUpToRootElement(const std::string& path) {
  return Parse(FileSource(path), path, nullptr, true);
}

bool DomDocument::LoadValidated(const std::string& path,
                                const DomSchemaCache& schemas) {
  return Parse(FileSource(path), path, &schemas);
}

bool DomDocument::LoadStreamed(const std::string& path,
                               DomStreamHandler& handler) {
  return Parse(FileSource(path), path, nullptr, false, &handler);
}

bool DomDocument::LoadEvents(const std::string& path, DomEventHandler& handler,
                             const DomSchemaCache* schemas) {
  return Parse(FileSource(path), path, schemas, false, nullptr, &handler);
}

int DomDocument::ParsingLine() const {
  const ParseState* state = t_parseState;
  if (state == nullptr || state->owner != this || state->parser == nullptr) {
    return 0;
  }
  return xmlSAX2GetLineNumber(state->parser);
}

bool DomDocument::Parse(const Source& source, const std::string& name,
                        const DomSchemaCache* schemas, bool stopAtRoot,
                        DomStreamHandler* handler, DomEventHandler* events) {
  InitialiseService();
  DomReadObserver* observer =
      doc_ != nullptr ? static_cast<DomReadObserver*>(doc_->_private) : nullptr;
  Reset();
  parseError_ = DomParseError();
  parseError_.limitBytes = sizeLimit_;
  ParseState state{&parseError_};
  state.stopAtRoot = stopAtRoot;
  state.owner = this;
  memoryCharged_ = 0;
  if (handler != nullptr) {
    state.handler = handler;
    state.observer = observer;
    state.building = &building_;
  }
  EventState eventState;
  if (events != nullptr) {
    eventState.handler = events;
    eventState.open.reserve(32);
    state.events = &eventState;
  }
  // An event load validates as it parses: the schemas' validator is
  // plugged between the parser and the handler (libxml2's SAX plug), so no
  // tree is ever built for it.
  std::vector<std::string> violations;
  xmlSchemaValidCtxtPtr streamedValidation = nullptr;
  xmlSchemaSAXPlugPtr plug = nullptr;
  if (events != nullptr && schemas != nullptr && !schemas->IsEmpty()) {
    streamedValidation =
        xmlSchemaNewValidCtxt(static_cast<xmlSchemaPtr>(schemas->schema_));
    if (streamedValidation == nullptr) throw _com_error(E_OUTOFMEMORY);
    xmlSchemaSetValidStructuredErrors(streamedValidation, CollectViolation,
                                      &state);
    xmlSchemaValidateSetLocator(streamedValidation, LocateInParse, &state);
    state.violations = &violations;
  }
  ParseState* outer = t_parseState;
  t_parseState = &state;

  // The bytes are pushed to the parser piece by piece as they are read, so
  // a large file never sits in memory whole beside its tree.
  xmlParserCtxtPtr ctxt = nullptr;
  bool stopped = false;
  FileError readError = FileError::kNone;
  const FileSystem::ChunkSink parse = [&](std::string_view piece) {
    size_t offset = 0;
    if (ctxt == nullptr) {
      // The first bytes tell the parser the file's encoding.
      offset = std::min<size_t>(4, piece.size());
      ctxt = xmlCreatePushParserCtxt(nullptr, nullptr, piece.data(),
                                     static_cast<int>(offset), name.c_str());
      if (ctxt == nullptr) {
        state.outOfMemory = true;
        stopped = true;
        return false;
      }
      ctxt->_private = &state;
      ctxt->sax->serror = CollectParserError;
      ctxt->sax->internalSubset = RejectDocumentType;
      ctxt->sax->externalSubset = RejectDocumentType;
      ctxt->vctxt.error = DiscardGenericError;
      ctxt->vctxt.warning = DiscardGenericError;
      xmlCtxtUseOptions(ctxt, kParseOptions);
      ctxt->sax->startElementNs = StartElementKeepingLine;
      ctxt->sax->comment = CommentKeepingLine;
      ctxt->sax->processingInstruction = InstructionKeepingLine;
      ctxt->sax->characters = CharactersCharged;
      if (handler != nullptr) {
        ctxt->sax->endElementNs = EndElementTellingHandler;
        ctxt->sax->startDocument = StartDocumentKeepingObserver;
      }
      if (events != nullptr) {
        // No tree: the handler is told instead. CDATA comes as characters
        // (NOCDATA), and blank text goes to libxml2's own ignorable-
        // whitespace handler, which drops it.
        ctxt->sax->startDocument = NoDocument;
        ctxt->sax->startElementNs = StartElementEvent;
        ctxt->sax->endElementNs = EndElementEvent;
        ctxt->sax->characters = CharactersEvent;
        ctxt->sax->comment = CommentEvent;
        ctxt->sax->processingInstruction = InstructionEvent;
      }
      state.parser = ctxt;
      if (streamedValidation != nullptr) {
        plug =
            xmlSchemaSAXPlug(streamedValidation, &ctxt->sax, &ctxt->userData);
        if (plug == nullptr) {
          state.outOfMemory = true;
          stopped = true;
          return false;
        }
        // The plug's handlers pass the parser's own callbacks the parser;
        // its messages, whose data is now the plug, reach this load
        // through the thread's state. CDATA stays characters (NOCDATA): the
        // plug's CDATA handler would validate it and tell the handler
        // nothing.
        ctxt->sax->serror = CollectStrayError;
        ctxt->sax->cdataBlock = nullptr;
      }
    }
    // However large the piece a source hands over, the parser gets it in
    // slices: one chunk of more than 10 MB is refused as a "huge input
    // lookup" without XML_PARSE_HUGE, which the parsing never turns on.
    constexpr size_t kSlice = size_t{1} << 20;
    while (offset < piece.size()) {
      size_t size = std::min(kSlice, piece.size() - offset);
      if (xmlParseChunk(ctxt, piece.data() + offset, static_cast<int>(size),
                        0) != 0) {
        stopped = true;
        return false;
      }
      offset += size;
    }
    return true;
  };
  try {
    readError = source(parse);
  } catch (const std::bad_alloc&) {
    state.outOfMemory = true;
    stopped = true;
  }

  xmlDocPtr parsed = nullptr;
  bool wellFormed = false;
  if (ctxt != nullptr) {
    if (!stopped && readError == FileError::kNone) {
      // The last bytes are converted and parsed here: a conversion that
      // fails halts the parser without marking the document malformed, so
      // the result decides too (else the tree so far would pass as whole).
      stopped = xmlParseChunk(ctxt, nullptr, 0, 1) != 0;
    }
    parsed = ctxt->myDoc;
    ctxt->myDoc = nullptr;
    if (stopAtRoot) {
      // Stopped on purpose at the root's start tag; what came before it
      // decides. A file that ends before that tag has no root.
      wellFormed = state.rootReached && state.wellFormedAtRoot;
    } else {
      wellFormed = ctxt->wellFormed != 0 && !stopped;
    }
    // The stand-ins of an event load go with its state.
    ctxt->node = nullptr;
    // The parser's own handlers come back before it is freed with them.
    if (plug != nullptr) xmlSchemaSAXUnplug(plug);
    state.parser = nullptr;
    xmlFreeParserCtxt(ctxt);
    building_ = nullptr;
  } else if (readError == FileError::kNone) {
    parseError_.reason = "the document is empty";
    parseError_.messages.push_back(parseError_.reason);
  }
  if (readError != FileError::kNone) {
    parseError_.errorCode = XML_E_FILEIO;
    parseError_.reason = name + ": " + FileErrorText(readError);
    parseError_.messages.insert(parseError_.messages.begin(),
                                parseError_.reason);
    // A file over the size limit is refused, not unreadable.
    parseError_.failure = readError == FileError::kTooLarge
                              ? DomLoadFailure::kRefused
                              : DomLoadFailure::kCannotRead;
  } else if (state.outOfMemory) {
    // Whatever else was noted follows from the memory that was missing.
    parseError_.failure = DomLoadFailure::kOutOfMemory;
    parseError_.reason = "out of memory";
    parseError_.line = 0;
    parseError_.messages.insert(parseError_.messages.begin(),
                                parseError_.reason);
  } else if (state.overBound) {
    parseError_.failure = DomLoadFailure::kRefused;
    parseError_.overMemoryBound = true;
  } else if (state.refused ||
             (parsed != nullptr &&
              (parsed->intSubset != nullptr || parsed->extSubset != nullptr))) {
    parseError_.failure = DomLoadFailure::kRefused;
  } else if ((parsed == nullptr && events == nullptr) || !wellFormed) {
    parseError_.failure = DomLoadFailure::kNotWellFormed;
  }

  bool ok = parseError_.failure == DomLoadFailure::kNone;
  if (streamedValidation != nullptr) {
    // What the schemas said counts once the parse itself succeeded.
    const bool valid = xmlSchemaIsValid(streamedValidation) == 1;
    xmlSchemaFreeValidCtxt(streamedValidation);
    if (ok && (!valid || !violations.empty())) {
      if (violations.empty()) {
        violations.push_back("line 0: the document does not match the schema");
      }
      parseError_.messages = std::move(violations);
      const std::string& first = parseError_.messages.front();
      const size_t colon = first.find(": ");
      parseError_.reason = first.substr(colon + 2);
      parseError_.line = std::atoi(first.c_str() + 5);
      parseError_.errorCode = XML_E_SCHEMAINVALID;
      parseError_.failure = DomLoadFailure::kSchemaInvalid;
      ok = false;
    }
  } else if (ok && events == nullptr && schemas != nullptr &&
             !schemas->IsEmpty()) {
    xmlSchemaValidCtxtPtr valid =
        xmlSchemaNewValidCtxt(static_cast<xmlSchemaPtr>(schemas->schema_));
    if (valid == nullptr) {
      parseError_.failure = DomLoadFailure::kSchemaInvalid;
      ok = false;
    } else {
      xmlSchemaSetValidStructuredErrors(valid, CollectStateError, &state);
      int result = xmlSchemaValidateDoc(valid, parsed);
      xmlSchemaFreeValidCtxt(valid);
      if (result != 0) {
        if (parseError_.messages.empty()) {
          parseError_.reason = "the document does not match the schema";
          parseError_.messages.push_back(parseError_.reason);
        }
        parseError_.errorCode = XML_E_SCHEMAINVALID;
        parseError_.failure = DomLoadFailure::kSchemaInvalid;
        ok = false;
      }
    }
  }
  t_parseState = outer;

  if (!ok) {
    if (parsed != nullptr && parseError_.overMemoryBound &&
        state.observer != nullptr) {
      // The reader's report names elements of this tree; they must outlive
      // the load (the tree is within its bound).
      stoppedTree_ = parsed;
    } else if (parsed != nullptr) {
      xmlFreeDoc(parsed);
    }
    if (parseError_.errorCode == 0) parseError_.errorCode = XML_E_PARSEFAILED;
    if (parseError_.reason.empty()) {
      parseError_.reason = "the document is not well-formed";
      parseError_.messages.push_back(parseError_.reason);
    }
    return false;
  }
  // An event load leaves the empty document Reset made.
  if (events != nullptr) {
    if (parsed != nullptr) xmlFreeDoc(parsed);
    return true;
  }
  // The parsed document replaces the empty one Reset made.
  xmlFreeNode(nursery_);
  xmlFreeDoc(doc_);
  doc_ = parsed;
  doc_->_private = state.observer;  // a streamed load keeps its observer
  if (doc_->dict == nullptr) doc_->dict = xmlDictCreate();
  nursery_ = xmlNewDocNode(doc_, nullptr, X("nursery"), nullptr);
  if (nursery_ == nullptr) throw _com_error(E_OUTOFMEMORY);
  nursery_->_private = reinterpret_cast<void*>(&Adopt);
  return true;
}

namespace {

// Text made by the serializer, freed with it.
struct SerializedText {
  SerializedText() = default;
  SerializedText(const SerializedText&) = delete;
  SerializedText& operator=(const SerializedText&) = delete;
  ~SerializedText() { xmlFree(text); }
  std::string_view View() const {
    return std::string_view(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(size));
  }
  xmlChar* text = nullptr;
  int size = 0;
};

// The "xml" processing instructions stand for the declaration, which the
// serializer writes itself: they are taken out of the document while it is
// serialized and put back where they were, whatever happens meanwhile.
class DeclarationsSetAside {
 public:
  explicit DeclarationsSetAside(xmlDocPtr doc) : doc_(doc) {
    for (xmlNodePtr node = doc->children; node != nullptr;) {
      xmlNodePtr next = node->next;
      if (node->type == XML_PI_NODE && View(node->name) == "xml") {
        declarations_.emplace_back(node, next);
        xmlUnlinkNode(node);
      }
      node = next;
    }
  }
  ~DeclarationsSetAside() {
    for (auto it = declarations_.rbegin(); it != declarations_.rend(); ++it) {
      if (it->second != nullptr) {
        xmlAddPrevSibling(it->second, it->first);
      } else {
        xmlAddChild(reinterpret_cast<xmlNodePtr>(doc_), it->first);
      }
    }
  }
  DeclarationsSetAside(const DeclarationsSetAside&) = delete;
  DeclarationsSetAside& operator=(const DeclarationsSetAside&) = delete;

 private:
  xmlDocPtr doc_;
  // Each declaration with the node that followed it.
  std::vector<std::pair<xmlNodePtr, xmlNodePtr>> declarations_;
};

// The document as indented UTF-8 text, the declaration first.
void Serialize(xmlDocPtr doc, SerializedText& out) {
  {
    DeclarationsSetAside aside(doc);
    xmlDocDumpFormatMemoryEnc(doc, &out.text, &out.size, "UTF-8", 1);
  }
  if (out.text == nullptr) throw _com_error(E_OUTOFMEMORY);
}

// Output callback of the serializer: hands each piece to the replacement.
// A failed write stops the serializer; the replacement keeps the error.
int WriteToReplacement(void* context, const char* buffer, int length) {
  if (length <= 0) return 0;
  auto* replacement = static_cast<FileReplacement*>(context);
  FileError error =
      replacement->Write(std::string_view(buffer, static_cast<size_t>(length)));
  return error == FileError::kNone ? length : -1;
}

// Streams the same bytes as Serialize into `replacement`: the serializer
// and its settings are those of xmlDocDumpFormatMemoryEnc, only the output
// buffer differs. Returns false when the serializer failed by itself (no
// memory), not through a write.
bool SerializeInto(xmlDocPtr doc, FileReplacement& replacement) {
  DeclarationsSetAside aside(doc);
  xmlOutputBufferPtr out =
      xmlOutputBufferCreateIO(WriteToReplacement, nullptr, &replacement,
                              xmlFindCharEncodingHandler("UTF-8"));
  if (out == nullptr) return false;
  // Closes `out`, flushing what it still holds.
  int result = xmlSaveFormatFileTo(out, doc, "UTF-8", 1);
  return result >= 0 || replacement.error() != FileError::kNone;
}

}  // namespace

std::string DomDocument::ToXml() const {
  SerializedText text;
  Serialize(doc_, text);
  return std::string(text.View());
}

void DomDocument::Save(const std::string& path) const {
  // Written piece by piece as the serializer makes it, never held whole.
  FileReplacement replacement;
  FileError error = replacement.Open(*FileSystem::Current(), path);
  if (error == FileError::kNone) {
    if (!SerializeInto(doc_, replacement)) throw _com_error(E_OUTOFMEMORY);
    error = replacement.error();
  }
  if (error == FileError::kNone) error = replacement.Commit();
  if (error != FileError::kNone) {
    throw _com_error(XML_E_FILEIO, path + ": " + FileErrorText(error));
  }
}

// ---------------------------------------------------------- DomSchemaCache

DomSchemaCache::DomSchemaCache() { InitialiseService(); }

DomSchemaCache::~DomSchemaCache() {
  if (schema_ != nullptr) xmlSchemaFree(static_cast<xmlSchemaPtr>(schema_));
}

void DomSchemaCache::Add(const std::string& namespaceUri,
                         const std::string& path) {
  std::string text;
  FileError error =
      FileSystem::Current()->ReadFile(path, kMaxDocumentBytes, &text);
  if (error != FileError::kNone) {
    throw _com_error(E_FAIL, path + ": " + FileErrorText(error));
  }
  AddFromMemory(namespaceUri, text, path);
}

void DomSchemaCache::AddFromMemory(const std::string& /*namespaceUri*/,
                                   std::string_view text,
                                   const std::string& name) {
  InitialiseService();
  DomParseError messages;
  ParseState state{&messages};
  ParseState* outer = t_parseState;
  t_parseState = &state;
  xmlSchemaParserCtxtPtr ctxt = xmlSchemaNewMemParserCtxt(
      text.data(), static_cast<int>(std::min<size_t>(text.size(), INT32_MAX)));
  xmlSchemaPtr schema = nullptr;
  if (ctxt != nullptr) {
    xmlSchemaSetParserStructuredErrors(ctxt, CollectStateError, &state);
    schema = xmlSchemaParse(ctxt);
    xmlSchemaFreeParserCtxt(ctxt);
  }
  t_parseState = outer;
  if (schema == nullptr || state.refused) {
    if (schema != nullptr) xmlSchemaFree(schema);
    std::string description = name + ": the schema cannot be used";
    if (!messages.reason.empty()) description += ": " + messages.reason;
    throw _com_error(E_FAIL, description);
  }
  // One schema for the empty namespace: a later one replaces it.
  if (schema_ != nullptr) xmlSchemaFree(static_cast<xmlSchemaPtr>(schema_));
  schema_ = schema;
}

// ------------------------------------------------------------------ service

namespace {

class LibxmlProbe : public DomServiceProbe {
 public:
  bool Available() override { return InitialiseService(); }
};

class MissingServiceProbe : public DomServiceProbe {
 public:
  bool Available() override { return false; }
};

}  // namespace

DomServiceProbe* DomServiceProbe::Default() {
  static LibxmlProbe probe;
  return &probe;
}

bool DomServiceAvailable() {
  return Seam<DomServiceProbe>::Current()->Available();
}

void SetDomServiceAvailableForTesting(bool available) {
  static MissingServiceProbe missing;
  Seam<DomServiceProbe>::Install(available ? nullptr : &missing);
}

int RefusedExternalLoadCount() { return g_refusedLoads.load(); }

namespace {
thread_local size_t t_defaultSizeLimit = kMaxDocumentBytes;
}  // namespace

size_t DefaultDocumentSizeLimit() { return t_defaultSizeLimit; }

ScopedDocumentSizeLimit::ScopedDocumentSizeLimit(size_t bytes)
    : previous_(t_defaultSizeLimit) {
  t_defaultSizeLimit = bytes;
}

ScopedDocumentSizeLimit::~ScopedDocumentSizeLimit() {
  t_defaultSizeLimit = previous_;
}

}  // namespace devseries::platform
