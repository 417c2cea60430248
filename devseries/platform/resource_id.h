// The name of a module resource: an integer id or a text name, as the merge
// update and the resource calls take it (resources.h).
#pragma once

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

}  // namespace devseries::platform
#pragma GCC visibility pop
