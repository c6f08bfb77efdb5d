// The thumbnail view's background loads: the request queue, the loader
// thread that starts up to ThreadPoolSize loads, their finish handler and
// cancellation.
//
// Everything here that touches the view's lists holds ThumbnailLock. The
// loader thread waits on the view's wake condition with its predicate read
// under that lock, so a request made between its check and its wait is never
// lost. The loader and the workers never touch windows, never fire user
// events and never draw: the wrong-image picture of a failed load, the
// bitmap-change handlers and the repaint are queued to the message-loop
// thread. What decides visibility (the layout) belongs to that thread too, so
// the queue and the running loads are purged by visibility there (on every
// request and after every paint pass); the loader thread only frees the loads
// that have finished and starts queued ones.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"

RTL_DEFINE_CLASS(TIEStarter, TThread)

TCriticalSection& ThumbnailLock() {
  static TCriticalSection lock;
  return lock;
}

// ------------------------------------------------------------ the loader thread

void TIEStarter::Execute() {
  std::unique_lock<TCriticalSection> lock(ThumbnailLock());
  while (!Terminated()) {
    mview->FreeFinishedLoads();
    std::string name;
    while (TImagoIO* io = mview->StartNextLoad(name)) {
      // The start reads the head of the file to find its format: outside
      // the lock, so that a slow file never holds up painting.
      lock.unlock();
      try {
        io->LoadFromFileByContent(name);
      } catch (...) {
        // The component has set its abort flag and sent its finish notice.
        io->SetAborted(true);
      }
      lock.lock();
    }
    if (Terminated()) break;
    if (!mview->LoaderHasWork()) {
      // Nothing queued and nothing running: sleep until a request, a
      // finished load or the end of the view.
      mview->wake_.wait(lock, [this] { return Terminated() || mview->wake_pending_; });
    } else {
      // Loads are running: look again when one finishes, at least every 50 ms.
      mview->wake_.wait_for(lock, std::chrono::milliseconds(50),
                            [this] { return Terminated() || mview->wake_pending_; });
    }
    mview->wake_pending_ = false;
  }
}

bool TImagoMView::LoaderHasWork() const { return !queue_.empty() || !running_.empty(); }

void TImagoMView::WakeLoader() {
  if (!loader_ || Destroying()) return;
  if (loader_->Suspended()) loader_->Start();
  wake_pending_ = true;
  wake_.notify_all();
}

void TImagoMView::QueueToUI(std::function<void()> Work) {
  std::shared_ptr<bool> alive = alive_;
  TThread::Queue(nullptr, [alive, Work = std::move(Work)] {
    if (*alive) Work();
  });
}

void TImagoMView::InvalidateFromAnyThread() {
  QueueToUI([this] { Invalidate(); });
}

// ------------------------------------------------------------ requests

bool TImagoMView::RequestLoad(int32_t Index) {
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return false;
  if (e->FileName.find("::") != std::string::npos) return false;
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  load_settings_ = CurrentLoadSettings();
  bool result = true;
  if (!e->Image) {
    PurgeQueue();
    if (std::find(queue_.begin(), queue_.end(), Index) != queue_.end()) {
      result = true;
    } else if (std::any_of(running_.begin(), running_.end(),
                           [Index](const RunningLoad& r) { return r.io->Tag() == Index; })) {
      result = true;
    } else {
      PurgeRunningLoads();
      if (e->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx)) {
        result = false;
      } else if (e->FileName.empty()) {
        result = false;
      } else {
        queue_.push_back(Index);
        result = true;
      }
    }
  }
  WakeLoader();
  return result;
}

void TImagoMView::PurgeQueue() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  std::erase_if(queue_, [this](int32_t i) {
    return !IsVisible(i) && std::find(look_ahead_.begin(), look_ahead_.end(), i) == look_ahead_.end();
  });
}

void TImagoMView::PurgeRunningLoads() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  FreeFinishedLoads();
  for (RunningLoad& r : running_) {
    const intptr_t tag = r.io->Tag();
    if (tag < 0) continue;
    const int32_t index = static_cast<int32_t>(tag);
    if (!IsVisible(index) && std::find(look_ahead_.begin(), look_ahead_.end(), index) == look_ahead_.end()) {
      r.io->SetTag(-2);
      r.io->SetAborted(true);
    }
  }
}

void TImagoMView::FreeFinishedLoads() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  for (size_t i = 0; i < running_.size();) {
    RunningLoad& r = running_[i];
    if (r.io->Tag() != -1) {
      ++i;
      continue;
    }
    // Its worker has left the finish handler: freeing the component waits
    // for the worker's last steps, which need no lock.
    r.io->UseIEBitmap(nullptr);
    r.bitmap.reset();
    r.io->Free();
    running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

TImagoIO* TImagoMView::StartNextLoad(std::string& FileName) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  const TIEMLoadSettings settings = load_settings_;
  while (!loader_->Terminated() && !queue_.empty() &&
         static_cast<int32_t>(running_.size()) < settings.ThreadPoolSize) {
    const int32_t index = queue_.front();
    queue_.erase(queue_.begin());
    TIEMImageInfo* e = ImageInfo(index);
    if (!e || e->Image || e->FileName.empty()) continue;
    RunningLoad r;
    r.bitmap = std::make_unique<TIEBitmap>();
    r.io = new TImagoIO(nullptr);
    r.settings = settings;
    r.io->SetTag(index);
    r.io->UseIEBitmap(r.bitmap.get());
    r.io->SetBackground(e->Background);
    PrepareLoadParams(r.io->Params(), settings);
    r.io->OnFinishWork = [this](TObject* Sender) { LoadFinished(Sender); };
    r.io->AsyncMode = true;
    TImagoIO* io = r.io;
    running_.push_back(std::move(r));
    FileName = e->FileName;
    return io;
  }
  return nullptr;
}

// ------------------------------------------------------------ the end of a load

void TImagoMView::LoadFinished(TObject* Sender) {
  auto* io = static_cast<TImagoIO*>(Sender);
  std::unique_lock<TCriticalSection> lock(ThumbnailLock());
  auto it = std::find_if(running_.begin(), running_.end(), [io](const RunningLoad& r) { return r.io == io; });
  if (Destroying() || it == running_.end() || !io->IEBitmap()) {
    io->SetTag(-1);
    WakeLoader();
    return;
  }
  TIEBitmap* picture = it->bitmap.get();
  const TIEMLoadSettings settings = it->settings;
  const intptr_t start_tag = io->Tag();
  if (start_tag < 0 || start_tag >= ImageCount()) {
    // Cancelled: nothing is stored and nobody hears of it.
    io->SetTag(-1);
    WakeLoader();
    return;
  }
  if (io->Aborted()) {
    // A bad file: its placeholder is made and stored on the message-loop
    // thread, for the image the load was for wherever it is by then.
    const uint64_t serial = images_[start_tag]->Serial;
    const TColor background = io->Background();
    io->SetTag(-1);
    WakeLoader();
    lock.unlock();
    QueueToUI([this, serial, background] {
      const int32_t index = IndexOfSerial(serial);
      if (index < 0 || HasStoredImage(index)) return;
      TIEBitmap placeholder;
      DoWrongImage(&placeholder, index);
      if (TIEMImageInfo* e = ImageInfo(index)) e->Background = background;
      SetImage(index, &placeholder);
      Invalidate();
    });
    return;
  }

  // The thumbnail is made outside the lock; nothing else uses the picture.
  lock.unlock();
  std::unique_ptr<TIEBitmap> thumb = MakeStoredPicture(picture, false, settings);
  lock.lock();

  const intptr_t tag = io->Tag();  // moved by inserts and deletes meanwhile, or cancelled
  if (tag >= 0 && tag < ImageCount()) {
    TIEMImageInfo* e = images_[tag].get();
    // A picture stored meanwhile (a synchronous load, perhaps lent out as
    // the selected image) is kept.
    if (!e->Image) {
      TIOParamsVals* p = io->Params();
      const bool jpeg = p->FileType == ieftJPEG;
      e->Background = io->Background();
      StorePicture(e, thumb ? thumb.get() : picture, jpeg ? p->JpegOriginalWidth : p->Width,
                   jpeg ? p->JpegOriginalHeight : p->Height);
      auto params = std::make_shared<TIOParamsVals>(nullptr);
      params->Assign(p);
      const uint64_t serial = e->Serial;
      QueueToUI([this, serial, params] {
        const int32_t index = IndexOfSerial(serial);
        if (index < 0) return;
        CopyParamsToCompanion(index, params.get());
        if (index == selected_index_) CallBitmapChangeHandlers();
      });
    }
  }
  io->SetTag(-1);
  WakeLoader();
  lock.unlock();
  InvalidateFromAnyThread();
}

// ------------------------------------------------------------ cancelling

void TImagoMView::CancelPendingLoads() {
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    look_ahead_.clear();
    queue_.clear();
    for (RunningLoad& r : running_)
      if (r.io->Tag() >= 0) {
        r.io->SetTag(-2);
        r.io->SetAborted(true);
      }
    WakeLoader();
  }
  for (int i = 0; i < 10; ++i) {
    bool empty;
    {
      std::lock_guard<TCriticalSection> lock(ThumbnailLock());
      empty = running_.empty();
    }
    if (!empty) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void TImagoMView::FreeRunningLoads() {
  std::vector<RunningLoad> loads;
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    loads.swap(running_);
    for (RunningLoad& r : loads) r.io->SetAborted(true);
  }
  // Outside the lock: a worker still in its finish handler needs it to end.
  for (RunningLoad& r : loads) {
    r.io->WaitThreads(true);
    r.io->UseIEBitmap(nullptr);
    r.bitmap.reset();
    r.io->Free();
  }
}

// ------------------------------------------------------------ introspection

int32_t TImagoMView::QueuedLoadCount() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  return static_cast<int32_t>(queue_.size());
}

int32_t TImagoMView::RunningLoadCount() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  return static_cast<int32_t>(running_.size());
}

std::vector<int32_t> TImagoMView::RunningLoadIndexes() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  std::vector<int32_t> out;
  for (const RunningLoad& r : running_) out.push_back(static_cast<int32_t>(r.io->Tag()));
  return out;
}

std::vector<int32_t> TImagoMView::LookAheadIndexes() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  return look_ahead_;
}

// Keeps the queue, the look-ahead list and the running loads pointing at the
// same images when entries move: indexes from From on move by By; a load of
// the Deleted index (when not -1) is cancelled and its requests dropped.
void TImagoMView::ShiftLoadIndexes(int32_t From, int32_t By, int32_t Deleted) {
  auto shift = [&](std::vector<int32_t>& list) {
    if (Deleted >= 0) std::erase(list, Deleted);
    for (int32_t& i : list)
      if (i >= From) i += By;
  };
  shift(queue_);
  shift(look_ahead_);
  for (RunningLoad& r : running_) {
    const intptr_t tag = r.io->Tag();
    if (tag < 0) continue;
    if (Deleted >= 0 && tag == Deleted) {
      r.io->SetTag(-2);
      r.io->SetAborted(true);
    } else if (tag >= From) {
      r.io->SetTag(tag + By);
    }
  }
}
