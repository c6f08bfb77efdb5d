// The settings store. The whole tree lives in memory; it is read from the
// file when the file changed since the last read, and written whole after
// every change.
//
// File format (text, one record a line):
//   nobrivo-registry 1
//   key <path>                      names joined by '\'
//   value <name> sz <text>          a string that ends in one 0 byte
//   value <name> dword <decimal>    four bytes
//   value <name> hex <type> <hex>   anything else
//   end
// Names and texts escape bytes up to 0x20, '%', 0x7F and a leading '@' as
// %XX; "@" alone is the default value's name. A file without its end line,
// or with any line out of place, is damaged.

#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "rtl/StrUtils.h"

namespace {

constexpr size_t kMaxFileSize = 64u << 20;
constexpr size_t kMaxValueSize = 16u << 20;
constexpr size_t kMaxNameLength = 16383;
constexpr size_t kMaxDepth = 512;

struct TValue {
  std::string Name;
  DWORD Type = REG_NONE;
  std::vector<uint8_t> Data;
};

struct TKey {
  std::string Name;
  std::map<std::string, TValue> Values;               // by folded name
  std::map<std::string, std::unique_ptr<TKey>> Keys;  // by folded name
};

struct TStore {
  std::mutex Lock;
  TKey Root;  // the current user
  bool Loaded = false;
  struct stat Seen {};
  bool SeenExists = false;
  int64_t FailAfter = -1;
};

TStore& Store() {
  static TStore store;
  return store;
}

}  // namespace

struct TRegistryKeyObject {
  std::vector<std::string> Path;  // folded names from the root
  bool Writable = false;
};

namespace {

// ---------------------------------------------------------------------------
// Paths

std::string ConfigDir() {
  if (const char* d = std::getenv("NOBRIVO_CONFIG_DIR"); d && *d) return d;
  // A relative folder in XDG_CONFIG_HOME is not valid there and is ignored,
  // rather than putting the settings wherever the program was started.
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
    return std::string(x) + "/nobrivo";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/nobrivo";
  return ".nobrivo";
}

bool MakeDirs(const std::string& dir) {
  std::string cur;
  for (size_t i = 0; i <= dir.size(); ++i) {
    if (i == dir.size() || (dir[i] == '/' && i > 0)) {
      cur = dir.substr(0, i);
      if (mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

bool SplitPath(const char* subKey, std::vector<std::string>& out,
               std::vector<std::string>* shown = nullptr) {
  if (!subKey) return true;
  std::string s = subKey, part;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '\\') {
      if (!part.empty()) {
        if (part.size() > 255) return false;
        out.push_back(LowerCase(part));
        if (shown) shown->push_back(part);
      }
      part.clear();
    } else {
      part += s[i];
    }
  }
  return out.size() <= kMaxDepth;
}

// ---------------------------------------------------------------------------
// Text form

std::string Escape(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c <= 0x20 || c == '%' || c == 0x7F || (i == 0 && c == '@')) {
      r += '%';
      r += hex[c >> 4];
      r += hex[c & 15];
    } else {
      r += char(c);
    }
  }
  return r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    int a = HexDigit(s[i + 1]), b = HexDigit(s[i + 2]);
    if (a < 0 || b < 0) return false;
    out += char(a * 16 + b);
    i += 2;
  }
  return true;
}

std::string NameField(const std::string& name) {
  return name.empty() ? "@" : Escape(name);
}

void Serialize(const TKey& k, const std::string& path, std::string& out) {
  if (!path.empty()) out += "key " + Escape(path) + "\n";
  for (const auto& [folded, v] : k.Values) {
    out += "value " + NameField(v.Name) + " ";
    bool sz = v.Type == REG_SZ && !v.Data.empty() && v.Data.back() == 0 &&
              std::find(v.Data.begin(), v.Data.end() - 1, 0) == v.Data.end() - 1;
    if (sz) {
      out += "sz " + Escape(std::string(v.Data.begin(), v.Data.end() - 1));
      // An empty text still needs a field.
      if (v.Data.size() == 1) out += "%00";
    } else if (v.Type == REG_DWORD && v.Data.size() == 4) {
      uint32_t x;
      std::memcpy(&x, v.Data.data(), 4);
      out += "dword " + std::to_string(x);
    } else {
      static const char* hex = "0123456789abcdef";
      out += "hex " + std::to_string(v.Type) + " ";
      if (v.Data.empty()) out += "-";
      for (uint8_t b : v.Data) {
        out += hex[b >> 4];
        out += hex[b & 15];
      }
    }
    out += "\n";
  }
  for (const auto& [folded, sub] : k.Keys)
    Serialize(*sub, path.empty() ? sub->Name : path + "\\" + sub->Name, out);
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (char c : line) {
    if (c == ' ') {
      f.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  f.push_back(cur);
  return f;
}

// Parses the whole text; false on any flaw (the caller then starts empty).
bool Parse(const std::string& text, TKey& root) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != "nobrivo-registry 1") return false;
  TKey* cur = &root;
  bool ended = false;
  while (std::getline(in, line)) {
    if (ended) return false;  // nothing may follow the end line
    if (line == "end") {
      ended = true;
      continue;
    }
    std::vector<std::string> f = Fields(line);
    if (f[0] == "key" && f.size() == 2) {
      std::string path;
      if (!Unescape(f[1], path)) return false;
      std::vector<std::string> folded, shown;
      if (!SplitPath(path.c_str(), folded, &shown) || folded.empty()) return false;
      cur = &root;
      for (size_t i = 0; i < folded.size(); ++i) {
        auto& slot = cur->Keys[folded[i]];
        if (!slot) {
          slot = std::make_unique<TKey>();
          slot->Name = shown[i];
        }
        cur = slot.get();
      }
    } else if (f[0] == "value" && f.size() >= 4) {
      TValue v;
      if (f[1] != "@" &&
          (!Unescape(f[1], v.Name) || v.Name.empty() || v.Name.size() > kMaxNameLength))
        return false;
      if (f[2] == "sz" && f.size() == 4) {
        std::string t;
        if (!Unescape(f[3], t) || t.size() > kMaxValueSize) return false;
        if (t.size() == 1 && t[0] == 0) t.clear();
        v.Type = REG_SZ;
        v.Data.assign(t.begin(), t.end());
        v.Data.push_back(0);
      } else if (f[2] == "dword" && f.size() == 4) {
        const std::string& d = f[3];
        if (d.empty() || d.size() > 10 || d.find_first_not_of("0123456789") != std::string::npos)
          return false;
        unsigned long long x = std::strtoull(d.c_str(), nullptr, 10);
        if (x > 0xFFFFFFFFull) return false;
        uint32_t x32 = uint32_t(x);
        v.Type = REG_DWORD;
        v.Data.resize(4);
        std::memcpy(v.Data.data(), &x32, 4);
      } else if (f[2] == "hex" && f.size() == 5) {
        const std::string& t = f[3];
        if (t.empty() || t.size() > 10 || t.find_first_not_of("0123456789") != std::string::npos)
          return false;
        unsigned long long type = std::strtoull(t.c_str(), nullptr, 10);
        if (type > 0xFFFFFFFFull) return false;
        v.Type = DWORD(type);
        const std::string& h = f[4];
        if (h != "-") {
          if (h.size() % 2 || h.size() / 2 > kMaxValueSize) return false;
          for (size_t i = 0; i < h.size(); i += 2) {
            int a = HexDigit(h[i]), b = HexDigit(h[i + 1]);
            if (a < 0 || b < 0) return false;
            v.Data.push_back(uint8_t(a * 16 + b));
          }
        }
      } else {
        return false;
      }
      cur->Values[LowerCase(v.Name)] = std::move(v);
    } else {
      return false;
    }
  }
  return ended;
}

// ---------------------------------------------------------------------------
// Reading and writing the file

bool ReadFile(const std::string& path, std::string& text, bool& exists) {
  exists = false;
  // Without waiting: a pipe put in the file's place must not block the reader.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    exists = errno != ENOENT;
    return !exists;
  }
  exists = true;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) > kMaxFileSize) {
    close(fd);
    return false;
  }
  text.resize(size_t(st.st_size));
  size_t got = 0;
  while (got < text.size()) {
    ssize_t n = read(fd, &text[got], text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  close(fd);
  text.resize(got);
  return true;
}

// Brings the tree up to date with the file when the file changed.
void Refresh(TStore& s) {
  std::string path = RegistryFilePath();
  struct stat st;
  bool exists = stat(path.c_str(), &st) == 0;
  if (s.Loaded && exists == s.SeenExists &&
      (!exists || (st.st_mtim.tv_sec == s.Seen.st_mtim.tv_sec &&
                   st.st_mtim.tv_nsec == s.Seen.st_mtim.tv_nsec && st.st_size == s.Seen.st_size &&
                   st.st_ino == s.Seen.st_ino)))
    return;
  s.Loaded = true;
  s.SeenExists = exists;
  if (exists) s.Seen = st;
  s.Root = TKey();
  std::string text;
  bool present = false;
  if (!ReadFile(path, text, present) || !present) return;
  TKey fresh;
  if (Parse(text, fresh)) s.Root = std::move(fresh);
}

bool WriteAll(int fd, const std::string& text, int64_t failAfter) {
  size_t limit = text.size();
  if (failAfter >= 0 && size_t(failAfter) < limit) limit = size_t(failAfter);
  size_t done = 0;
  while (done < limit) {
    ssize_t n = write(fd, text.data() + done, limit - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return limit == text.size();
}

// Writes the tree: a temporary file beside the store, flushed, then renamed
// over it, so that a reader sees the old file or the new one, never a part.
LONG Save(TStore& s) {
  std::string dir = ConfigDir();
  if (!MakeDirs(dir)) return ERROR_CANTWRITE;
  std::string path = RegistryFilePath();
  std::string text = "nobrivo-registry 1\n";
  Serialize(s.Root, "", text);
  text += "end\n";
  std::string tmp = path + ".XXXXXX";
  int fd = mkostemp(&tmp[0], O_CLOEXEC);
  if (fd < 0) return ERROR_CANTWRITE;
  int64_t failAfter = s.FailAfter;
  s.FailAfter = -1;
  bool ok = WriteAll(fd, text, failAfter) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) {
    // A damaged file is kept aside before it is replaced; so is one that
    // cannot be read (too large, not a file, no permission), whose settings
    // were never seen.
    std::string old;
    bool present = false;
    TKey probe;
    const bool readable = ReadFile(path, old, present);
    if (present && (!readable || !Parse(old, probe)))
      std::rename(path.c_str(), (path + ".damaged").c_str());
    ok = std::rename(tmp.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    unlink(tmp.c_str());
    s.Loaded = false;  // read the file again: it holds what really is stored
    return ERROR_CANTWRITE;
  }
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    s.Seen = st;
    s.SeenExists = true;
  }
  return ERROR_SUCCESS;
}

// Serializes changes among processes: held from reading the file to
// renaming the new one over it, so that no process writes over a change it
// has not seen. The lock is on the store's folder, and only as good as the
// file system makes it: where it cannot be taken, changes go on unlocked.
class TChangeLock {
 public:
  explicit TChangeLock(TStore& s) {
    const std::string dir = ConfigDir();
    if (MakeDirs(dir)) fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    // Read the file again even when it looks unchanged: a file written by
    // another process within one clock tick can have the same time, size
    // and (reused) inode number.
    s.Loaded = false;
  }
  ~TChangeLock() {
    if (fd_ >= 0) close(fd_);
  }
  TChangeLock(const TChangeLock&) = delete;
  TChangeLock& operator=(const TChangeLock&) = delete;

 private:
  int fd_ = -1;
};

bool IsRoot(HKEY k) {
  return (reinterpret_cast<uintptr_t>(k) & 0xFFFFFFF0u) == 0x80000000u &&
         reinterpret_cast<uintptr_t>(k) <= 0x8000000Fu;
}

// Resolves a handle and a relative path to the folded path from the root.
LONG Resolve(HKEY key, const char* subKey, std::vector<std::string>& path) {
  if (IsRoot(key)) {
    if (key != HKEY_CURRENT_USER) return ERROR_FILE_NOT_FOUND;
  } else if (!key) {
    return ERROR_INVALID_HANDLE;
  } else {
    path = key->Path;
  }
  if (!SplitPath(subKey, path)) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

TKey* Find(TKey& root, const std::vector<std::string>& path) {
  TKey* k = &root;
  for (const std::string& p : path) {
    auto it = k->Keys.find(p);
    if (it == k->Keys.end()) return nullptr;
    k = it->second.get();
  }
  return k;
}

// The key an open handle stands for, after re-reading the store; the store's
// lock is held by the caller.
LONG OpenedKey(TStore& s, HKEY key, TKey*& k) {
  k = nullptr;
  std::vector<std::string> path;
  if (LONG e = Resolve(key, nullptr, path)) return e;
  Refresh(s);
  k = Find(s.Root, path);
  return k ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

std::string FoldedName(const char* name) {
  return name ? LowerCase(name) : std::string();
}

}  // namespace

std::string RegistryFilePath() {
  return ConfigDir() + "/registry";
}

void RegistryFailWritesAfter(int64_t bytes) {
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  s.FailAfter = bytes;
}

LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  std::vector<std::string> path;
  if (LONG e = Resolve(key, subKey, path)) return e;
  Refresh(s);
  if (!Find(s.Root, path)) return ERROR_FILE_NOT_FOUND;
  auto* k = new TRegistryKeyObject;
  k->Path = std::move(path);
  k->Writable = (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
  *result = k;
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD, const char*, DWORD, REGSAM access, void*,
                    HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (IsRoot(key) && key != HKEY_CURRENT_USER) return ERROR_ACCESS_DENIED;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  std::vector<std::string> path;
  std::vector<std::string> shown;
  if (LONG e = Resolve(key, nullptr, path)) return e;
  size_t base = path.size();
  if (!SplitPath(subKey, path, &shown)) return ERROR_INVALID_PARAMETER;
  TChangeLock change(s);
  Refresh(s);
  TKey* k = Find(s.Root, std::vector<std::string>(path.begin(), path.begin() + long(base)));
  if (!k) return ERROR_KEY_DELETED;
  bool created = false;
  for (size_t i = base; i < path.size(); ++i) {
    auto& slot = k->Keys[path[i]];
    if (!slot) {
      slot = std::make_unique<TKey>();
      slot->Name = shown[i - base];
      created = true;
    }
    k = slot.get();
  }
  if (created)
    if (LONG e = Save(s)) return e;
  auto* h = new TRegistryKeyObject;
  h->Path = std::move(path);
  h->Writable = true;
  (void)access;
  *result = h;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (IsRoot(key)) return ERROR_SUCCESS;
  if (!key) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY) {
  return ERROR_SUCCESS;
}

// Hands a value's type and bytes to a caller's buffer; a buffer too small
// gets the size needed and ERROR_MORE_DATA.
static LONG CopyValue(const TValue& v, DWORD* type, BYTE* data, DWORD* size) {
  if (type) *type = v.Type;
  DWORD need = DWORD(v.Data.size());
  if (data) {
    if (!size) return ERROR_INVALID_PARAMETER;
    if (*size < need) {
      *size = need;
      return ERROR_MORE_DATA;
    }
    if (need) std::memcpy(data, v.Data.data(), need);
  }
  if (size) *size = need;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  auto it = k->Values.find(FoldedName(name));
  if (it == k->Values.end()) return ERROR_FILE_NOT_FOUND;
  return CopyValue(it->second, type, data, size);
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (IsRoot(key) && key != HKEY_CURRENT_USER) return ERROR_ACCESS_DENIED;
  if ((size && !data) || size > kMaxValueSize) return ERROR_INVALID_PARAMETER;
  if (name && std::strlen(name) > kMaxNameLength) return ERROR_INVALID_PARAMETER;
  if (!IsRoot(key) && key && !key->Writable) return ERROR_ACCESS_DENIED;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TChangeLock change(s);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  TValue v;
  v.Name = name ? name : "";
  v.Type = type;
  if (size) v.Data.assign(data, data + size);
  k->Values[LowerCase(v.Name)] = std::move(v);
  return Save(s);
}

LONG RegDeleteValue(HKEY key, const char* name) {
  if (!IsRoot(key) && key && !key->Writable) return ERROR_ACCESS_DENIED;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TChangeLock change(s);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  if (!k->Values.erase(FoldedName(name))) return ERROR_FILE_NOT_FOUND;
  return Save(s);
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
  if (IsRoot(key) && key != HKEY_CURRENT_USER) return ERROR_ACCESS_DENIED;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  std::vector<std::string> path;
  if (LONG e = Resolve(key, subKey, path)) return e;
  if (path.empty()) return ERROR_ACCESS_DENIED;
  TChangeLock change(s);
  Refresh(s);
  std::vector<std::string> parentPath(path.begin(), path.end() - 1);
  TKey* parent = Find(s.Root, parentPath);
  if (!parent) return ERROR_FILE_NOT_FOUND;
  auto it = parent->Keys.find(path.back());
  if (it == parent->Keys.end()) return ERROR_FILE_NOT_FOUND;
  if (!it->second->Keys.empty()) return ERROR_ACCESS_DENIED;
  parent->Keys.erase(it);
  return Save(s);
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  if (index >= k->Keys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->Keys.begin();
  std::advance(it, index);
  const std::string& n = it->second->Name;
  if (*nameSize <= n.size()) return ERROR_MORE_DATA;
  std::memcpy(name, n.c_str(), n.size() + 1);
  *nameSize = DWORD(n.size());
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, DWORD* type,
                  BYTE* data, DWORD* dataSize) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  if (index >= k->Values.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->Values.begin();
  std::advance(it, index);
  const TValue& v = it->second;
  if (*nameSize <= v.Name.size()) return ERROR_MORE_DATA;
  std::memcpy(name, v.Name.c_str(), v.Name.size() + 1);
  *nameSize = DWORD(v.Name.size());
  return CopyValue(v, type, data, dataSize);
}

LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                     DWORD* maxValueNameLen, DWORD* maxValueLen) {
  TStore& s = Store();
  std::lock_guard<std::mutex> lock(s.Lock);
  TKey* k;
  if (LONG e = OpenedKey(s, key, k)) return e;
  DWORD mk = 0, mn = 0, mv = 0;
  for (const auto& [f, sub] : k->Keys) mk = std::max(mk, DWORD(sub->Name.size()));
  for (const auto& [f, v] : k->Values) {
    mn = std::max(mn, DWORD(v.Name.size()));
    mv = std::max(mv, DWORD(v.Data.size()));
  }
  if (subKeys) *subKeys = DWORD(k->Keys.size());
  if (maxSubKeyLen) *maxSubKeyLen = mk;
  if (values) *values = DWORD(k->Values.size());
  if (maxValueNameLen) *maxValueNameLen = mn;
  if (maxValueLen) *maxValueLen = mv;
  return ERROR_SUCCESS;
}
