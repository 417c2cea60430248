// DOM service stand-in: a thin wrapper over libxml2 offering what the
// document holder and the record codecs use: create element / attribute /
// processing instruction, insert and append, synchronous load with a boolean
// result, validated load against an XML Schema, save, children in document
// order, node type and name, attribute lookup by name, the text value and
// elements by tag name.
//
// A DomNode is a light handle (one pointer, default-constructed null, valid
// while its document lives). Using a null handle as a node raises the COM
// error object with E_POINTER: that is the "absent node" every positional
// record reader relies on. Other failures raise _com_error with their own
// codes.
//
// Parsing is safe: the bytes are read through the file seam with a size cap
// and parsed from memory without network access, without loading external
// DTDs or entities (a document with a DOCTYPE is refused: the format never
// has one) and within libxml2's default depth and size limits. Parser and
// schema messages are captured per document, never printed.
//
// Text: whitespace-only text between child nodes is not a node; the
// whitespace-only text of an element with no other content is its value.
// Comments and processing instructions are nodes. Text and attribute values
// handed to the DOM that are not valid UTF-8, or hold characters XML 1.0
// cannot carry, are stored with each offending byte or character replaced by
// U+FFFD, so a saved file always loads again.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/file_error.h"
#include "devseries/platform/seam.h"

struct _xmlNode;
struct _xmlDoc;

#pragma GCC visibility push(default)
namespace devseries::platform {

// Node types, with the DOM's numbering.
enum DomNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
};

// Largest file the DOM service loads unless told otherwise; a larger file
// fails to load cleanly. A whole tree takes about six times its file.
inline constexpr size_t kMaxDocumentBytes = size_t{128} << 20;
// Largest file a streamed read accepts unless told otherwise: it holds one
// record's nodes at a time, not the file's tree.
inline constexpr size_t kMaxStreamedDocumentBytes = size_t{1} << 30;
// The memory a read may take, per byte of its size limit: the nodes a load
// builds and the records a reader builds from them are charged to the
// document (DomDocument::ChargeMemory), and a read that would take more is
// refused.
inline constexpr unsigned kMemoryBoundPerLimitByte = 8;

class DomReadObserver;

// The size limit a new DomDocument starts with on this thread:
// kMaxDocumentBytes unless a ScopedDocumentSizeLimit says otherwise.
size_t DefaultDocumentSizeLimit();

// While it lives, documents made on this thread (and so the loaders that
// make their own, the standalone record loaders among them) start with
// the size limit `bytes`, and so with its memory bound.
class ScopedDocumentSizeLimit {
 public:
  explicit ScopedDocumentSizeLimit(size_t bytes);
  ~ScopedDocumentSizeLimit();
  ScopedDocumentSizeLimit(const ScopedDocumentSizeLimit&) = delete;
  ScopedDocumentSizeLimit& operator=(const ScopedDocumentSizeLimit&) = delete;

 private:
  size_t previous_;
};

class DomNode {
 public:
  DomNode() = default;
  explicit DomNode(_xmlNode* node) : node_(node) {}

  bool IsNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const DomNode& other) const { return node_ == other.node_; }

  DomNodeType GetNodeType() const;
  // The DOM's node name: the element's or attribute's qualified name, the
  // target of a processing instruction, "#text", "#comment",
  // "#cdata-section" or "#document".
  std::string GetNodeName() const;
  // As GetNodeName, without a copy; valid while the document lives.
  std::string_view NodeName() const;
  // True when this is an element named exactly `name`.
  bool IsElementNamed(std::string_view name) const;

  DomNode GetFirstChild() const;
  DomNode GetNextSibling() const;

  // Walks the child nodes of one node in document order, every kind
  // included (elements, text, comments, processing instructions), as
  // GetFirstChild and GetNextSibling would. One pointer; stepping neither
  // allocates nor throws.
  class ChildIterator {
   public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::forward_iterator_tag;
    using value_type = DomNode;
    using difference_type = std::ptrdiff_t;
    using reference = DomNode;

    ChildIterator() = default;
    explicit ChildIterator(_xmlNode* node) : node_(node) {}

    DomNode operator*() const { return DomNode(node_); }
    ChildIterator& operator++() {
      node_ = Following(node_);
      return *this;
    }
    ChildIterator operator++(int) {
      ChildIterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const ChildIterator& other) const {
      return node_ == other.node_;
    }
    bool operator!=(const ChildIterator& other) const {
      return node_ != other.node_;
    }

   private:
    _xmlNode* node_ = nullptr;
  };

  // The children of a node as a range: `for (DomNode child :
  // node.Children())`. Valid while the document lives and the children are
  // not moved or removed.
  class ChildRange {
   public:
    explicit ChildRange(_xmlNode* first) : first_(first) {}
    ChildIterator begin() const { return ChildIterator(first_); }
    ChildIterator end() const { return ChildIterator(); }
    bool empty() const { return first_ == nullptr; }

   private:
    _xmlNode* first_;
  };

  // Every child node in document order. Raises E_POINTER on a null node.
  ChildRange Children() const;
  // The first child ELEMENT named exactly `name` (comments, processing
  // instructions and text are passed over), or null when there is none.
  // Raises E_POINTER on a null node.
  DomNode FirstChildNamed(std::string_view name) const;

  // The parent node; null for a node not attached anywhere.
  DomNode GetParentNode() const;
  // The previous sibling, or null before the first.
  DomNode GetPreviousSibling() const;

  // The line of the loaded file where the node starts, 1-based (lines past
  // 65535 included); 0 for a node made in memory or not known.
  int GetLine() const;
  // The observer attached to this node's document (DomDocument::
  // SetReadObserver), or null; null also for a null node. Never throws.
  DomReadObserver* ReadObserver() const;

  // The node's value as text: for an element the text of all its
  // descendants in document order, for text, comments, processing
  // instructions and attributes their content.
  std::string GetText() const;
  // As GetText; when the value is held in one piece it is returned without a
  // copy, otherwise it is assembled in `scratch`.
  std::string_view TextView(std::string& scratch) const;
  // Replaces the node's content by one text node holding `text`.
  void SetText(std::string_view text);

  // The attribute node named `name`, or null. Raises E_POINTER for a node
  // that has no attribute map (anything but an element).
  DomNode GetAttributeNode(std::string_view name) const;
  // Sets attribute `name` of this element to `value`.
  void SetAttribute(std::string_view name, std::string_view value);
  // Adds an attribute node made by DomDocument::CreateAttribute to this
  // element's attribute map, replacing one of the same name.
  void SetNamedItem(DomNode attribute);

  // Appends `child` (taking it from where it was) and returns it.
  DomNode AppendChild(DomNode child);
  // Frees every node below this one: a streamed reader's way of letting go
  // of what it has read. Nodes taken from below it before are invalid.
  // During a streamed load the memory the nodes were charged with is given
  // back to the document being built (the text they held and their names
  // stay charged: what a reader keeps of them is made from those).
  void DiscardChildren();
  // Inserts `child` before `reference`; a null reference appends.
  DomNode InsertBefore(DomNode child, DomNode reference);

  _xmlNode* raw() const { return node_; }

 private:
  _xmlNode* Checked() const;
  // The sibling after `node`, which is a child node of a parent.
  static _xmlNode* Following(_xmlNode* node);

  _xmlNode* node_ = nullptr;
};

// Why a load failed.
enum class DomLoadFailure {
  kNone,           // loaded
  kCannotRead,     // missing, a folder, no permission, an I/O error
  kRefused,        // refused by the safe parsing: a document type
                   // declaration, an external load, over kMaxDocumentBytes
  kNotWellFormed,  // not well-formed XML, or no document at all (empty)
  kSchemaInvalid,  // well-formed, but the schemas of the load reject it
  kOutOfMemory,    // the system gave no more memory to the parse
};

// What the last load reported. errorCode is 0 after a successful load.
struct DomParseError {
  HRESULT errorCode = 0;
  std::string reason;  // the first message
  int line = 0;        // line of the first message, 0 when unknown
  std::vector<std::string> messages;  // every message, "line N: text"
  DomLoadFailure failure = DomLoadFailure::kNone;
  // The size of a file refused as over the size limit; 0 when unknown.
  std::uint64_t fileBytes = 0;
  // The size limit of the load.
  size_t limitBytes = kMaxDocumentBytes;
  // Refused because the document grew past its memory bound.
  bool overMemoryBound = false;
};

// Follows one read of a document: a reader attaches it for the span of the
// read (DomDocument::SetReadObserver) and reaches it from any node of the
// document (DomNode::ReadObserver), so per-read state lives with the
// document rather than in globals. The DOM itself never calls it.
class DomReadObserver {
 protected:
  DomReadObserver() = default;
  ~DomReadObserver() = default;
};

class DomSchemaCache;

// Follows a streamed load (DomDocument::LoadStreamed), told of each element
// as the parser makes it. The tree grows as a full load would grow it, so
// what the handler sees is what a full load gives, up to what it discards.
class DomStreamHandler {
 public:
  // `element`, at `depth` (1: the root element), has just been added with
  // its attributes and no children.
  virtual void ElementStarted(DomNode element, int depth) = 0;
  // The end tag of `element` was parsed: every node below it is in place.
  // The handler may discard its children (DomNode::DiscardChildren), or
  // those of any element it has seen end.
  virtual void ElementEnded(DomNode element, int depth) = 0;

 protected:
  ~DomStreamHandler() = default;
};

// Follows an event load (DomDocument::LoadEvents): told of the nodes a load
// would make, in document order, with no tree built. Text comes as the text
// nodes a load makes: blank text a load drops is never told, and the pieces
// of one text node come one after another with nothing between them.
// Every call returns whether the parse goes on; false stops it (the load
// then fails). The handler must not throw.
class DomEventHandler {
 public:
  // An attribute of a start tag; `value` as a load stores it, except that a
  // value holding '&' still holds the character references of the
  // characters '&' stood for (`referenced` tells).
  struct Attribute {
    std::string_view prefix;
    std::string_view name;
    std::string_view value;
    bool referenced = false;
  };
  // An element starts (`depth` 1: the root element), with its attributes.
  virtual bool StartElement(std::string_view prefix, std::string_view name,
                            const std::vector<Attribute>& attributes,
                            int depth) = 0;
  // The element at `depth` ends. `discard` set to true gives back what its
  // nodes below would have been charged with, as DomNode::DiscardChildren
  // gives it back during a streamed load.
  virtual bool EndElement(int depth, bool& discard) = 0;
  // A piece of text in the element being parsed.
  virtual bool Text(std::string_view piece) = 0;
  virtual bool Comment() = 0;
  virtual bool Instruction(std::string_view target) = 0;

 protected:
  ~DomEventHandler() = default;
};

class DomDocument {
 public:
  DomDocument();
  ~DomDocument();
  DomDocument(const DomDocument&) = delete;
  DomDocument& operator=(const DomDocument&) = delete;

  // The document node itself.
  DomNode AsNode() const;
  DomNode GetFirstChild() const { return AsNode().GetFirstChild(); }
  DomNode AppendChild(DomNode child) { return AsNode().AppendChild(child); }
  DomNode InsertBefore(DomNode child, DomNode reference) {
    return AsNode().InsertBefore(child, reference);
  }

  // New nodes, owned by the document, not yet attached. An element or
  // attribute name that is not a valid XML name raises XML_E_INVALIDNAME.
  DomNode CreateElement(std::string_view name);
  DomNode CreateAttribute(std::string_view name);
  DomNode CreateProcessingInstruction(std::string_view target,
                                      std::string_view data);

  // The elements named `name` anywhere below the document, in document order.
  std::vector<DomNode> GetElementsByTagName(std::string_view name) const;

  // Replaces the content by the file at `path` (read through the file seam).
  // Returns false, with parseError() telling why, when the file cannot be
  // read or is not a well-formed document this service accepts.
  bool Load(const std::string& path);
  // As Load, from bytes in memory; `name` is used in messages.
  bool LoadFromMemory(std::string_view bytes, const std::string& name);
  // As Load, but the reading stops at the end of the root element's start
  // tag: the document then holds the nodes before the root and the root
  // element with its attributes, without children. False, with
  // parseError() telling why, when the file cannot be read, has no root
  // element or is not well-formed up to the end of that start tag; what
  // follows it is neither read nor checked.
  bool LoadUpToRootElement(const std::string& path);
  // As Load, and validates the document against the schemas of `schemas`
  // (none: no validation). Validation errors set parseError().errorCode.
  bool LoadValidated(const std::string& path, const DomSchemaCache& schemas);
  // As Load, telling `handler` of each element as it is parsed, so it can
  // read the document while it grows and discard what it has read. The
  // read observer attached before the load stays attached to the document
  // it builds. The handler must not throw. On success the document holds
  // what the handler left of the tree.
  bool LoadStreamed(const std::string& path, DomStreamHandler& handler);
  // Parses the file as a load does (the same options, limits, refusals and
  // memory bound, with what the nodes would take charged as a load charges
  // it), telling `handler` of each node instead of building a tree: the
  // document stays empty. Returns what a load returns, with parseError()
  // telling why; false too when the handler stopped the parse.
  // With `schemas` (not empty), the document is validated against them as
  // it is parsed, in the same pass and with no tree: a well-formed document
  // they reject fails as a validated load does (XML_E_SCHEMAINVALID, every
  // violation in parseError().messages, each with the line the parser was
  // at), once the handler has been told of all of it.
  bool LoadEvents(const std::string& path, DomEventHandler& handler,
                  const DomSchemaCache* schemas = nullptr);
  // During a load, from its handler: the line of the file the parser has
  // reached (that of the end of a start tag just told); 0 outside a load.
  int ParsingLine() const;
  const DomParseError& parseError() const { return parseError_; }

  // The largest file the loads that follow accept (kMaxDocumentBytes until
  // set); a larger one is refused before it is parsed.
  void SetSizeLimit(size_t bytes) { sizeLimit_ = bytes; }
  size_t SizeLimit() const { return sizeLimit_; }

  // The memory the document may be charged with: every node a load builds
  // (charged as the parser makes it, given back when a streamed reader
  // discards it) and whatever a reader charges for what it builds from the
  // nodes (ChargeMemory). 0 (the default): kMemoryBoundPerLimitByte times
  // the size limit. A load that passes it stops and is refused.
  void SetMemoryBound(std::uint64_t bytes) { memoryBound_ = bytes; }
  std::uint64_t MemoryBound() const {
    return memoryBound_ != 0
               ? memoryBound_
               : std::uint64_t{kMemoryBoundPerLimitByte} * sizeLimit_;
  }
  // Adds `bytes` to the memory charged (a load starts from 0); false once
  // the total is over MemoryBound().
  bool ChargeMemory(std::uint64_t bytes) {
    memoryCharged_ += bytes;
    return memoryCharged_ <= MemoryBound();
  }
  // Takes back `bytes` charged before (memory let go).
  void ReleaseMemory(std::uint64_t bytes) {
    memoryCharged_ -= (std::min)(bytes, memoryCharged_);
  }
  std::uint64_t MemoryCharged() const { return memoryCharged_; }

  // Attaches `observer` to the document (null detaches) and returns the one
  // attached before. A following load starts without one.
  DomReadObserver* SetReadObserver(DomReadObserver* observer);

  // The document as UTF-8 text: the XML declaration first (an "xml"
  // processing instruction child stands for it), then the nodes, indented.
  std::string ToXml() const;
  // Writes the text ToXml() gives to `path` through a FileReplacement,
  // streamed piece by piece as it is serialized. Raises _com_error
  // (XML_E_FILEIO) naming the path and the reason on failure; the previous
  // file at `path` is then left as it was.
  void Save(const std::string& path) const;

  _xmlDoc* raw() const { return doc_; }

 private:
  // Hands the document's bytes, piece by piece, to a sink; returns kNone
  // or the error of a failed read.
  using Source =
      std::function<FileError(const std::function<bool(std::string_view)>&)>;
  bool Parse(const Source& source, const std::string& name,
             const DomSchemaCache* schemas, bool stopAtRoot = false,
             DomStreamHandler* handler = nullptr,
             DomEventHandler* events = nullptr);
  // The file at `path` as a Source: read through the file seam up to the
  // size limit, its size noted when it is over.
  Source FileSource(const std::string& path);
  void Reset();

  _xmlDoc* doc_ = nullptr;
  // During a streamed load: the document being built, which the document
  // node stands for meanwhile.
  _xmlDoc* building_ = nullptr;
  // Holds nodes created but not attached, so they are freed with the
  // document whatever happens to them.
  _xmlNode* nursery_ = nullptr;
  // The tree a streamed load stopped because it passed its memory bound:
  // the reader's report names elements of it, whose positions are worked
  // out once the load has ended. Freed with the document or its next load.
  _xmlDoc* stoppedTree_ = nullptr;
  DomParseError parseError_;
  size_t sizeLimit_ = DefaultDocumentSizeLimit();
  std::uint64_t memoryBound_ = 0;
  std::uint64_t memoryCharged_ = 0;
};

using DomDocumentPtr = std::shared_ptr<DomDocument>;

// A set of XML Schemas for validated loads. Add raises _com_error
// (E_FAIL, description: the schema parser's messages) when the schema
// cannot be read or parsed; the cache then stays as it was.
class DomSchemaCache {
 public:
  DomSchemaCache();
  ~DomSchemaCache();
  DomSchemaCache(const DomSchemaCache&) = delete;
  DomSchemaCache& operator=(const DomSchemaCache&) = delete;

  void Add(const std::string& namespaceUri, const std::string& path);
  // As Add, with the schema text in memory.
  void AddFromMemory(const std::string& namespaceUri, std::string_view text,
                     const std::string& name);
  bool IsEmpty() const { return schema_ == nullptr; }

 private:
  friend class DomDocument;
  void* schema_ = nullptr;  // xmlSchemaPtr
};

// The seam of the "is the DOM service registered" probe. The default
// answers whether libxml2 initialised; tests install one that says no.
class DomServiceProbe {
 public:
  DomServiceProbe() = default;
  DomServiceProbe(const DomServiceProbe&) = delete;
  DomServiceProbe& operator=(const DomServiceProbe&) = delete;
  virtual ~DomServiceProbe() = default;

  virtual bool Available() = 0;

  // The probe of the real service.
  static DomServiceProbe* Default();
};

// True when the DOM service is usable: what Seam<DomServiceProbe> answers.
bool DomServiceAvailable();

// `text` as the DOM stores a text or an attribute value: `text` itself when
// it is valid UTF-8 made of XML 1.0 characters, otherwise a copy in
// `scratch` with each offending byte replaced by U+FFFD.
std::string_view XmlSafeText(std::string_view text, std::string& scratch);
// True when `name` can name an element or an attribute: what
// DomDocument::CreateElement and CreateAttribute accept.
bool IsValidXmlName(std::string_view name);

// Whether libxml2 was asked to load an external entity or DTD since the
// process started; such attempts are refused. For tests.
int RefusedExternalLoadCount();

}  // namespace devseries::platform
#pragma GCC visibility pop
