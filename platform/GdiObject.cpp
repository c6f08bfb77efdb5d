#include "platform/GdiObject.h"

#include <mutex>
#include <unordered_set>

namespace {
// Objects may be made and freed on worker threads (bitmaps loaded in the
// background), so the table of live objects is guarded.
std::mutex& TableLock() {
  static std::mutex m;
  return m;
}
std::unordered_set<const GdiObject*>& Table() {
  static auto* t = new std::unordered_set<const GdiObject*>();
  return *t;
}
}  // namespace

GdiObject::GdiObject(DWORD k) : kind(k) {
  std::lock_guard<std::mutex> g(TableLock());
  Table().insert(this);
}

GdiObject::~GdiObject() {
  std::lock_guard<std::mutex> g(TableLock());
  Table().erase(this);
}

bool IsGdiObject(HGDIOBJ h) {
  if (!h) return false;
  std::lock_guard<std::mutex> g(TableLock());
  return Table().count(h) != 0;
}

DWORD GetObjectType(HGDIOBJ h) {
  return IsGdiObject(h) ? h->kind : 0;
}

BOOL DeleteObject(HGDIOBJ h) {
  {
    // Checked and taken off the table in one step: of two threads freeing
    // one handle, only one gets it.
    std::lock_guard<std::mutex> g(TableLock());
    if (!h || !Table().count(h) || h->stock || h->selected > 0) return FALSE;
    // Device contexts are freed by DeleteDC.
    if (h->kind == OBJ_DC || h->kind == OBJ_MEMDC) return FALSE;
    Table().erase(h);
  }
  delete h;
  return TRUE;
}

int GdiObjectCount() {
  std::lock_guard<std::mutex> g(TableLock());
  return int(Table().size());
}
