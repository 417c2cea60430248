// What a program hands the library as its own module resources: the names
// of resources (the merge update takes one) and the table of resources and
// strings a host registers at start-up. The calls that look them up are the
// library's own (resources.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#pragma GCC visibility push(default)
namespace devseries::platform {

// A resource type or name: an integer id (MAKEINTRESOURCE) or a text name.
// Text names compare case-insensitively, as Windows stores them upper-case.
class ResourceId {
 public:
  ResourceId(int id) : id_(id) {}  // NOLINT: mirrors MAKEINTRESOURCE
  ResourceId(const char* name) : id_(-1), name_(name) {}             // NOLINT
  ResourceId(std::string name) : id_(-1), name_(std::move(name)) {}  // NOLINT

  bool IsInteger() const { return id_ >= 0; }
  int id() const { return id_; }
  const std::string& name() const { return name_; }
  bool Matches(int id, const char* name) const;
  // "#139" for an integer id, the name otherwise.
  std::string ToString() const;

 private:
  int id_;
  std::string name_;
};

// One embedded resource. `typeName` / `name` are null for integer ids.
struct ResourceEntry {
  int typeId;
  const char* typeName;
  int id;
  const char* name;
  std::uint16_t language;  // LANGID
  const unsigned char* data;
  size_t size;
};

// One string-table entry, UTF-8 text.
struct StringEntry {
  unsigned int id;         // UINT
  std::uint16_t language;  // LANGID
  const char* text;
};

struct ResourceTable {
  const ResourceEntry* resources;
  size_t resourceCount;
  const StringEntry* strings;
  size_t stringCount;
};

// Makes `table` the host's table: every later lookup reads it. The table
// must outlive every lookup (a generated table is static).
void RegisterHostResourceTable(const ResourceTable& table);
// The registered table, or DefaultResourceTable() when none is registered.
const ResourceTable& HostResourceTable();
// The library's own table: string ids 1 to 10 and 14 to 16, the thirteen
// language element names; no resources and no application title.
const ResourceTable& DefaultResourceTable();

// Registers a table when constructed; the generated resource file of each
// executable holds one, so the table is registered before main runs.
struct HostResourceRegistration {
  explicit HostResourceRegistration(const ResourceTable& table) {
    RegisterHostResourceTable(table);
  }
};

}  // namespace devseries::platform
#pragma GCC visibility pop
