// The message queue of the user-interface thread: sending, posting,
// retrieval with filters, translation, dispatch, timers and hooks.

#include <algorithm>
#include <chrono>

#include "platform/WindowInternal.h"
#include "rtl/TThread.h"

TWindowObj* FindPaintWindow(TWindowObj* w, HWND filter);
void ValidateAfterPaint(HWND hwnd);

namespace {

bool InRange(UINT msg, UINT lo, UINT hi) {
  if (lo == 0 && hi == 0) return true;
  return msg >= lo && msg <= hi;
}

// hwnd filter: none, the window or one of its children, or (HWND)-1 for
// messages without a window.
bool WindowMatches(HWND filter, HWND target) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return target == nullptr;
  return target == filter || IsChild(filter, target);
}

void RunHooks(int32_t kind, int32_t code, WPARAM wParam, LPARAM lParam, LRESULT* result);

void NoteRetrieved(const MSG& msg) {
  TWindowManager& m = WM();
  m.LastMessagePos = DWORD(uint16_t(msg.pt.X)) | (DWORD(uint16_t(msg.pt.Y)) << 16);
  m.LastMessageTime = msg.time;
}

// Keeps GetKeyState in step with the messages taken from the queue.
void UpdateKeyState(const MSG& msg) {
  TWindowManager& m = WM();
  auto press = [&](int32_t vk, bool down) {
    BYTE& s = m.KeyState[vk & 0xFF];
    if (down) {
      if (!(s & 0x80)) s ^= 0x01;
      s |= 0x80;
    } else {
      s &= ~0x80;
    }
  };
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      press(int32_t(msg.wParam), true);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      press(int32_t(msg.wParam), false);
      break;
    default:
      if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
          (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)) {
        for (int32_t vk : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU})
          m.KeyState[vk] = BYTE((m.KeyState[vk] & 0x01) | (m.AsyncKeyState[vk] & 0x80));
      }
  }
}

// With QueueLock held.
void WakeLocked() {
  TWindowManager& m = WM();
  if (m.Backend) m.Backend->Wake();
}

void RunCrossThreadSends() {
  TWindowManager& m = WM();
  for (;;) {
    std::shared_ptr<TSentMessage> s;
    {
      std::lock_guard<std::mutex> lock(m.QueueLock);
      if (m.CrossSent.empty()) return;
      s = m.CrossSent.front();
      m.CrossSent.pop_front();
    }
    try {
      s->Result.set_value(SendMessage(s->Window, s->Message, s->WParam, s->LParam));
    } catch (...) {
      s->Result.set_exception(std::current_exception());
    }
  }
}

TTimer* DueTimer(HWND filter, DWORD now) {
  TWindowManager& m = WM();
  TTimer* best = nullptr;
  for (TTimer& t : m.Timers) {
    if (!WindowMatches(filter, t.Window)) continue;
    if (int32_t(now - t.Next) < 0) continue;
    if (!best || int32_t(t.Next - best->Next) < 0) best = &t;
  }
  return best;
}

// One attempt to take a message: posted and input messages first, then quit,
// then paint, then timers.
bool Fetch(MSG& msg, HWND hwnd, UINT lo, UINT hi, UINT flags) {
  TWindowManager& m = WM();
  RunCrossThreadSends();
  // Work that other threads handed to the main thread runs whenever it looks
  // at its queue.
  if (IsMainThread()) CheckSynchronize(0);
  if (m.Backend) m.Backend->PollEvents();
  DWORD now = GetTickCount();
  CaretBlinkStep(now);
  bool remove = (flags & PM_REMOVE) != 0;
  bool found = false;
  // Posted and input messages in their order. Raw mouse messages are routed
  // outside the lock: routing sends messages, which may post.
  std::vector<uint64_t> examined;
  auto wasExamined = [&](uint64_t id) {
    return std::find(examined.begin(), examined.end(), id) != examined.end();
  };
  for (;;) {
    TQueued q;
    {
      std::lock_guard<std::mutex> lock(m.QueueLock);
      auto it = m.Posted.begin();
      for (; it != m.Posted.end(); ++it) {
        if (wasExamined(it->Id)) continue;
        if (it->Raw) break;
        if (InRange(it->Msg.message, lo, hi) && WindowMatches(hwnd, it->Msg.hwnd)) break;
      }
      if (it == m.Posted.end()) break;
      q = *it;
      if (!q.Raw) {
        msg = q.Msg;
        if (remove) m.Posted.erase(it);
        found = true;
        break;
      }
    }
    examined.push_back(q.Id);
    MSG routed;
    bool ok = RouteMouse(q.Msg, routed, remove);
    bool take = ok && InRange(routed.message, lo, hi) && WindowMatches(hwnd, routed.hwnd);
    if (remove && (take || !ok)) {
      // Taken, or nobody wants it (eaten by activation, no window there).
      std::lock_guard<std::mutex> lock(m.QueueLock);
      auto it = std::find_if(m.Posted.begin(), m.Posted.end(),
                             [&](const TQueued& e) { return e.Id == q.Id; });
      if (it != m.Posted.end()) m.Posted.erase(it);
    }
    if (take) {
      msg = routed;
      found = true;
      break;
    }
  }
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    if (!found && m.QuitPending && InRange(WM_QUIT, lo, hi)) {
      msg = MSG{};
      msg.message = WM_QUIT;
      msg.wParam = WPARAM(m.QuitCode);
      msg.time = now;
      msg.pt = m.CursorPos;
      if (remove) m.QuitPending = false;
      found = true;
    }
  }
  if (!found && InRange(WM_PAINT, lo, hi) && hwnd != reinterpret_cast<HWND>(-1)) {
    for (TWindowObj* t : m.TopLevels)
      if (TWindowObj* p = FindPaintWindow(t, hwnd)) {
        msg = MSG{p->Handle, WM_PAINT, 0, 0, now, m.CursorPos};
        found = true;
        break;
      }
  }
  if (!found && InRange(WM_TIMER, lo, hi)) {
    if (TTimer* t = DueTimer(hwnd, now)) {
      msg = MSG{t->Window, WM_TIMER, t->Id, reinterpret_cast<LPARAM>(t->Proc), now, m.CursorPos};
      if (remove) t->Next = now + t->Interval;
      found = true;
    }
  }
  if (!found) return false;
  if (remove) {
    NoteRetrieved(msg);
    UpdateKeyState(msg);
  }
  LRESULT ignored = 0;
  RunHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE,
           reinterpret_cast<LPARAM>(&msg), &ignored);
  return true;
}

// How long a loop may sleep before a timer or the caret needs it.
int32_t IdleTimeout() {
  TWindowManager& m = WM();
  DWORD now = GetTickCount();
  int64_t best = -1;
  for (const TTimer& t : m.Timers) {
    int64_t d = std::max<int64_t>(0, int32_t(t.Next - now));
    if (best < 0 || d < best) best = d;
  }
  DWORD caret = 0;
  if (NextCaretDeadline(&caret)) {
    int64_t d = std::max<int64_t>(0, int32_t(caret - now));
    if (best < 0 || d < best) best = d;
  }
  return int32_t(std::min<int64_t>(best, 0x7FFFFFFF));
}

uint64_t PostSerial() {
  TWindowManager& m = WM();
  std::lock_guard<std::mutex> lock(m.QueueLock);
  return m.PostSerial;
}

// Sleeps unless something arrived since `seen` (messages that a filter
// passed over do not count: they are still there and still do not match).
void WaitForInput(uint64_t seen) {
  TWindowManager& m = WM();
  PresentDirtyBuffers();
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    if (m.PostSerial != seen || !m.CrossSent.empty()) return;
  }
  if (m.Backend) m.Backend->Wait(IdleTimeout());
}

void RunHooks(int32_t kind, int32_t code, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  TWindowManager& m = WM();
  for (auto& h : m.Hooks)
    if (h->Kind == kind && !h->Removed) {
      ++m.HookDepth;
      try {
        *result = h->Proc(code, wParam, lParam);
      } catch (...) {
        --m.HookDepth;
        throw;
      }
      --m.HookDepth;
      break;  // the first hook passes on through CallNextHookEx
    }
  if (m.HookDepth == 0)
    m.Hooks.erase(
        std::remove_if(m.Hooks.begin(), m.Hooks.end(), [](auto& h) { return h->Removed; }),
        m.Hooks.end());
}

}  // namespace

void RunCallWndProcHooks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowManager& m = WM();
  if (m.Hooks.empty()) return;
  CWPSTRUCT cwp{lParam, wParam, msg, hwnd};
  LRESULT ignored = 0;
  RunHooks(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&cwp), &ignored);
}

void RunCbtHooks(int32_t code, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  RunHooks(WH_CBT, code, wParam, lParam, result);
}

DWORD GetCurrentThreadId() {
  return DWORD(std::hash<std::thread::id>()(std::this_thread::get_id()));
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowManager& m = WM();
  if (!OnUiThread()) {
    if (!FromHandleLocked(hwnd)) return 0;
    auto s = std::make_shared<TSentMessage>();
    s->Window = hwnd;
    s->Message = msg;
    s->WParam = wParam;
    s->LParam = lParam;
    std::future<LRESULT> result = s->Result.get_future();
    {
      std::lock_guard<std::mutex> lock(m.QueueLock);
      // Shutdown has answered the sends before it; nobody would answer this.
      if (!m.Accepting) return 0;
      m.CrossSent.push_back(s);
      ++m.PostSerial;
      WakeLocked();
    }
    // A user-interface thread that waits for a thread (WaitFor) runs the
    // runtime's queued work but looks at no messages: this answers it there.
    TThread::Queue(nullptr, [] {
      if (OnUiThread()) RunCrossThreadSends();
    });
    return result.get();
  }
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  ++m.SendDepth;
  struct Depth {
    ~Depth() { --WM().SendDepth; }
  } depth;
  return CallProc(w, msg, wParam, lParam);
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowManager& m = WM();
  if (hwnd && !FromHandleLocked(hwnd)) return false;
  MSG q;
  q.hwnd = hwnd;
  q.message = msg;
  q.wParam = wParam;
  q.lParam = lParam;
  q.time = GetTickCount();
  std::lock_guard<std::mutex> lock(m.QueueLock);
  // Other threads post only to a running platform.
  if (!m.Accepting && !OnUiThread()) return false;
  q.pt = m.CursorPos;
  m.Posted.push_back(TQueued{q, false, m.NextQueuedId++});
  ++m.PostSerial;
  WakeLocked();
  return true;
}

bool PostThreadMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessage(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int32_t exitCode) {
  TWindowManager& m = WM();
  std::lock_guard<std::mutex> lock(m.QueueLock);
  if (!m.Accepting && !OnUiThread()) return;
  m.QuitPending = true;
  m.QuitCode = exitCode;
  ++m.PostSerial;
  WakeLocked();
}

void WakeMessageLoop() {
  std::lock_guard<std::mutex> lock(WM().QueueLock);
  WakeLocked();
}

void PostInputMessage(const MSG& msg) {
  TWindowManager& m = WM();
  std::lock_guard<std::mutex> lock(m.QueueLock);
  ++m.PostSerial;
  m.Posted.push_back(TQueued{msg, false, m.NextQueuedId++});
}

void PostRawMouse(const MSG& raw) {
  TWindowManager& m = WM();
  std::lock_guard<std::mutex> lock(m.QueueLock);
  ++m.PostSerial;
  // Moves are merged: only the latest position of a run of moves counts.
  if (raw.message == WM_MOUSEMOVE && !m.Posted.empty()) {
    TQueued& last = m.Posted.back();
    if (last.Raw && last.Msg.message == WM_MOUSEMOVE && last.Msg.wParam == raw.wParam) {
      last.Msg = raw;
      return;
    }
  }
  m.Posted.push_back(TQueued{raw, true, m.NextQueuedId++});
}

int32_t GetMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!OnUiThread()) return -1;
  for (;;) {
    uint64_t seen = PostSerial();
    if (Fetch(msg, hwnd, filterMin, filterMax, PM_REMOVE)) return msg.message == WM_QUIT ? 0 : 1;
    WaitForInput(seen);
  }
}

bool PeekMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!OnUiThread()) return false;
  if (Fetch(msg, hwnd, filterMin, filterMax, removeFlags)) return true;
  PresentDirtyBuffers();
  return false;
}

bool WaitMessage() {
  if (!OnUiThread()) return false;
  MSG msg;
  uint64_t seen = PostSerial();
  if (Fetch(msg, nullptr, 0, 0, PM_NOREMOVE)) return true;
  WaitForInput(seen);
  return true;
}

LRESULT DispatchMessage(const MSG& msg) {
  if (msg.message == WM_TIMER && msg.lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg.lParam);
    proc(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
    return 0;
  }
  TWindowObj* w = FromHandle(msg.hwnd);
  if (!w) return 0;
  LRESULT r = CallProcDirect(w, msg.message, msg.wParam, msg.lParam);
  if (msg.message == WM_PAINT) ValidateAfterPaint(msg.hwnd);
  return r;
}

DWORD GetMessagePos() {
  return WM().LastMessagePos;
}
LONG GetMessageTime() {
  return LONG(WM().LastMessageTime);
}
bool InSendMessage() {
  return false;
}

// ---------------------------------------------------------------------------
// Timers

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapse, TIMERPROC proc) {
  TWindowManager& m = WM();
  if (!OnUiThread()) return 0;
  if (hwnd && !FromHandle(hwnd)) return 0;
  // Very short intervals are raised to 10 ms, as the timer cannot be faster
  // than the loop that serves it anyway.
  elapse = std::max<UINT>(elapse, 10);
  DWORD now = GetTickCount();
  if (hwnd) {
    for (TTimer& t : m.Timers)
      if (t.Window == hwnd && t.Id == id) {
        t.Interval = elapse;
        t.Next = now + elapse;
        t.Proc = proc;
        return id ? id : 1;
      }
  } else {
    id = m.NextThreadTimerId++;
  }
  m.Timers.push_back(TTimer{hwnd, id, elapse, now + elapse, proc});
  return hwnd && id == 0 ? 1 : id;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  TWindowManager& m = WM();
  if (!OnUiThread()) return false;
  auto it = std::find_if(m.Timers.begin(), m.Timers.end(),
                         [&](const TTimer& t) { return t.Window == hwnd && t.Id == id; });
  if (it == m.Timers.end()) return false;
  m.Timers.erase(it);
  // A WM_TIMER already waiting in the queue is not delivered after the kill.
  return true;
}

// ---------------------------------------------------------------------------
// Hooks

HHOOK SetWindowsHookEx(int32_t kind, HOOKPROC proc, void*, DWORD) {
  if (!proc || (kind != WH_GETMESSAGE && kind != WH_CALLWNDPROC && kind != WH_CBT)) return nullptr;
  TWindowManager& m = WM();
  auto h = std::make_unique<THookObject>();
  h->Kind = kind;
  h->Proc = proc;
  HHOOK handle = h.get();
  m.Hooks.insert(m.Hooks.begin(), std::move(h));
  return handle;
}

bool UnhookWindowsHookEx(HHOOK hook) {
  TWindowManager& m = WM();
  for (auto& h : m.Hooks)
    if (h.get() == hook && !h->Removed) {
      h->Removed = true;
      if (m.HookDepth == 0)
        m.Hooks.erase(
            std::remove_if(m.Hooks.begin(), m.Hooks.end(), [](auto& x) { return x->Removed; }),
            m.Hooks.end());
      return true;
    }
  return false;
}

LRESULT CallNextHookEx(HHOOK hook, int32_t code, WPARAM wParam, LPARAM lParam) {
  TWindowManager& m = WM();
  auto it = std::find_if(m.Hooks.begin(), m.Hooks.end(), [&](auto& h) { return h.get() == hook; });
  if (it == m.Hooks.end()) return 0;
  int32_t kind = (*it)->Kind;
  for (++it; it != m.Hooks.end(); ++it)
    if ((*it)->Kind == kind && !(*it)->Removed) {
      HOOKPROC proc = (*it)->Proc;
      ++m.HookDepth;
      struct Depth {
        ~Depth() { --WM().HookDepth; }
      } depth;
      return proc(code, wParam, lParam);
    }
  return 0;
}
