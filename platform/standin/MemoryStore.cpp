// The stand-in's drives in memory: a tree of folders, files and links that
// answers for host paths below one root, so that a run touches no disk.
#include <map>
#include <set>
#include <string_view>
#include <strings.h>

#include "platform/standin/Store.h"

namespace os::hostfs {

namespace {

constexpr int kMaxLinks = 40;  // as the host's resolution gives up on loops

// Names in byte order, compared here rather than by the library's string
// views, whose shared code the fuzzers' builds instrument.
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i)
      if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
  }
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

struct Node : std::enable_shared_from_this<Node> {
  enum class Type { File, Folder, Link };
  Node(Type t, std::string bytes) : type(t), data(std::move(bytes)) {}
  Type type;
  std::string data;  // a file's bytes, a link's target
  std::map<std::string, std::shared_ptr<Node>, NameLess> children;
  Node* parent = nullptr;  // none once removed
  std::string name;
};
using NodePtr = std::shared_ptr<Node>;

class MemoryStore final : public Store {
 public:
  std::string NewRoot() override {
    root_ = std::make_shared<Node>(Node::Type::Folder, std::string());
    ++generation_;
    changes_.clear();
    written_.clear();
    return kRoot;
  }

  unsigned long Generation() override { return generation_; }

  bool TakeChanges(std::vector<std::string>& paths) override {
    paths.swap(changes_);
    changes_.clear();
    written_.clear();
    return true;
  }

  void RemoveRoot(const std::string&) override {
    // Handles still open keep their nodes; the tree goes.
    root_.reset();
  }

  bool Info(const std::string& path, bool follow, EntryInfo& out) override {
    const Node* node = Find(path, follow, 0);
    return node && Fill(*node, out);
  }

  std::vector<std::string> Names(const std::string& folder) override {
    std::vector<std::string> names;
    const Node* node = Find(folder, true, 0);
    if (node && node->type == Node::Type::Folder)
      for (const auto& [name, child] : node->children) names.push_back(name);
    return names;
  }

  std::string Match(const std::string& folder, const std::string& rest) override {
    std::string host = folder;
    const Node* node = Find(folder, true, 0);
    std::size_t start = 0;
    while (start < rest.size()) {
      std::size_t end = rest.find('\\', start);
      if (end == std::string::npos) end = rest.size();
      const std::string_view name = std::string_view(rest).substr(start, end - start);
      start = end + 1;
      if (name.empty()) continue;
      const std::string* stored = nullptr;
      if (node && node->type == Node::Type::Link) node = Find(node->data, true, 0);
      if (node && node->type == Node::Type::Folder) {
        auto exact = node->children.find(name);
        if (exact == node->children.end())
          for (exact = node->children.begin(); exact != node->children.end(); ++exact)
            if (exact->first.size() == name.size() &&
                strncasecmp(exact->first.data(), name.data(), name.size()) == 0)
              break;
        if (exact != node->children.end()) stored = &exact->first;
        node = exact != node->children.end() ? exact->second.get() : nullptr;
      } else {
        node = nullptr;
      }
      host += '/';
      host += stored ? std::string_view(*stored) : name;
    }
    return host;
  }

  bool MakeFolder(const std::string& path) override {
    return Add(path, Node::Type::Folder, std::string()) != nullptr;
  }

  bool MakeFolders(const std::string& path) override {
    for (std::size_t slash = std::string(kRoot).size(); slash != std::string::npos;) {
      slash = path.find('/', slash + 1);
      const std::string prefix = path.substr(0, slash);
      const NodePtr node = Walk(prefix, true, 0);
      if (node ? node->type != Node::Type::Folder : !MakeFolder(prefix)) return false;
    }
    return true;
  }

  bool RemoveFolder(const std::string& path) override {
    const NodePtr node = Walk(path, false, 0);
    if (!node || node == root_ || node->type == Node::Type::File) return false;
    if (node->type == Node::Type::Folder && !node->children.empty()) return false;
    Detach(*node);
    return true;
  }

  bool RemoveFile(const std::string& path) override {
    const NodePtr node = Walk(path, false, 0);
    if (!node || node->type == Node::Type::Folder) return false;
    Detach(*node);
    return true;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    const NodePtr node = Walk(from, false, 0);
    NodePtr folder;
    std::string name;
    if (!node || node == root_ || !Place(to, folder, name)) return false;
    for (Node* above = folder.get(); above; above = above->parent)
      if (above == node.get()) return false;  // into itself
    auto existing = folder->children.find(name);
    if (existing != folder->children.end()) {
      if (existing->second == node) return true;
      const bool intoFolder = existing->second->type == Node::Type::Folder;
      if (intoFolder != (node->type == Node::Type::Folder)) return false;
      if (intoFolder && !existing->second->children.empty()) return false;
      Detach(*existing->second);
    }
    Detach(*node);
    node->name = name;
    node->parent = folder.get();
    folder->children[name] = node;
    changes_.push_back(PathOf(*node));
    return true;
  }

  bool MakeLink(const std::string& target, const std::string& path) override {
    return Add(path, Node::Type::Link, target) != nullptr;
  }

  std::string Canonical(const std::string& path) override {
    if (const NodePtr node = Walk(path, true, 0)) return PathOf(*node);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash < std::string(kRoot).size()) return path;
    return Canonical(path.substr(0, slash)) + path.substr(slash);
  }

  int Open(const std::string& path, unsigned flags) override {
    NodePtr node = Walk(path, !(flags & kOpenNoFollow), 0);
    if (flags & kOpenEntry) return node ? Keep(node) : -1;
    if (!node) {
      if (!(flags & kOpenCreate)) return -1;
      node = Add(path, Node::Type::File, std::string());
      return node ? Keep(node) : -1;
    }
    if ((flags & kOpenCreate) && (flags & kOpenExclusive)) return -1;
    if (node->type != Node::Type::File) {
      if (node->type == Node::Type::Link || (flags & kOpenWrite)) return -1;
      return Keep(node);  // a folder opens for reading, and reads nothing
    }
    if ((flags & kOpenTruncate) && !node->data.empty()) {
      node->data.clear();
      Written(*node);
    }
    return Keep(node);
  }

  long long ReadAt(int id, void* buffer, std::size_t size, std::uint64_t offset) override {
    const Node* node = Opened(id);
    if (!node || node->type != Node::Type::File) return -1;
    if (offset >= node->data.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(size, node->data.size() - offset);
    node->data.copy(static_cast<char*>(buffer), n, std::size_t(offset));
    return (long long)n;
  }

  long long WriteAt(int id, const void* buffer, std::size_t size, std::uint64_t offset) override {
    Node* node = Opened(id);
    if (!node || node->type != Node::Type::File) return -1;
    if (node->data.size() < offset + size) node->data.resize(std::size_t(offset + size));
    node->data.replace(std::size_t(offset), size, static_cast<const char*>(buffer), size);
    Written(*node);
    return (long long)size;
  }

  bool InfoOf(int id, EntryInfo& out) override {
    const Node* node = Opened(id);
    return node && Fill(*node, out);
  }

  std::string PathOf(int id) override {
    const Node* node = Opened(id);
    return node ? PathOf(*node) : std::string();
  }

  void Close(int id) override { open_.erase(id); }

 private:
  // Below a host file, so that a host tool handed one of these paths by
  // mistake fails instead of writing to the host.
  static constexpr const char* kRoot = "/dev/null/standin-memory";

  static bool Fill(const Node& node, EntryInfo& out) {
    out.folder = node.type == Node::Type::Folder;
    out.link = node.type == Node::Type::Link;
    out.size = node.type == Node::Type::File ? node.data.size() : 0;
    return true;
  }

  // The entry at path, links followed on the way (and at its end when
  // followLast); null when there is none or path lies outside the root.
  // Raw pointers: the tree holds every node while a call runs.
  Node* Find(std::string_view path, bool followLast, int depth) const {
    const std::string_view root = kRoot;
    if (!root_ || depth > kMaxLinks || !SameName(path.substr(0, root.size()), root)) return nullptr;
    if (path.size() > root.size() && path[root.size()] != '/') return nullptr;
    Node* node = root_.get();
    std::size_t start = root.size();
    while (start < path.size()) {
      std::size_t end = path.find('/', start + 1);
      if (end == std::string_view::npos) end = path.size();
      const std::string_view name = path.substr(start + 1, end - start - 1);
      start = end;
      if (name.empty() || SameName(name, ".")) continue;
      if (node->type == Node::Type::Link && !(node = Find(node->data, true, depth + 1))) return nullptr;
      if (SameName(name, "..")) {
        if (node->parent) node = node->parent;
        continue;
      }
      if (node->type != Node::Type::Folder) return nullptr;
      auto found = node->children.find(name);
      if (found == node->children.end()) return nullptr;
      node = found->second.get();
    }
    if (followLast && node->type == Node::Type::Link) return Find(node->data, true, depth + 1);
    return node;
  }

  NodePtr Walk(const std::string& path, bool followLast, int depth) const {
    Node* node = Find(path, followLast, depth);
    return node ? node->shared_from_this() : nullptr;
  }

  // The folder a new entry at path goes into, and its name.
  bool Place(const std::string& path, NodePtr& folder, std::string& name) const {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    name = path.substr(slash + 1);
    folder = Walk(path.substr(0, slash), true, 0);
    return folder && folder->type == Node::Type::Folder && !name.empty() && name != "." && name != "..";
  }

  NodePtr Add(const std::string& path, Node::Type type, const std::string& data) {
    NodePtr folder;
    std::string name;
    if (!Place(path, folder, name) || folder->children.count(name)) return nullptr;
    auto node = std::make_shared<Node>(type, data);
    node->parent = folder.get();
    node->name = name;
    folder->children[name] = node;
    ++generation_;
    changes_.push_back(PathOf(*node));
    return node;
  }

  void Detach(Node& node) {
    if (!node.parent) return;
    ++generation_;
    changes_.push_back(PathOf(node));
    Node* parent = node.parent;
    node.parent = nullptr;
    // The erase may free node: nothing of it is used after.
    parent->children.erase(parent->children.find(node.name));
  }

  std::string PathOf(const Node& node) const {
    std::string path;
    const Node* at = &node;
    for (; at->parent; at = at->parent) path = "/" + at->name + path;
    return at == root_.get() ? kRoot + path : std::string();
  }

  int Keep(NodePtr node) {
    open_[next_] = std::move(node);
    return next_++;
  }

  Node* Opened(int id) const {
    auto found = open_.find(id);
    return found == open_.end() ? nullptr : found->second.get();
  }

  // Once per node between two takes: a file written in many pieces is one
  // change.
  void Written(const Node& node) {
    if (written_.insert(&node).second) changes_.push_back(PathOf(node));
  }

  NodePtr root_;
  unsigned long generation_ = 0;
  std::vector<std::string> changes_;
  std::set<const Node*> written_;
  std::map<int, NodePtr> open_;
  int next_ = 3;
};

}  // namespace

std::unique_ptr<Store> MakeMemoryStore() { return std::make_unique<MemoryStore>(); }

}  // namespace os::hostfs
