#include "imaging/io/TIEIOThread.h"

#include <openssl/crypto.h>

#include "imaging/io/TImagoIO.h"
#include "platform/DebugOutput.h"

RTL_DEFINE_CLASS(TIEIOThread, TThread)

TIEIOThread::TIEIOThread(TImagoIO* Owner, HWND NotifyWindow, TIECallShape Shape)
    : TThread(true), owner_(Owner), notify_window_(NotifyWindow), shape_(Shape) {}

TIEIOThread* TIEIOThread::Launch(TIEIOThread* Thread) {
  Thread->AfterConstruction();
  Thread->SetFreeOnTerminate(true);
  Thread->owner_->AddIOThread(Thread);
  try {
    Thread->Start();
  } catch (...) {
    Thread->owner_->RemoveIOThread(Thread);
    Thread->SetFreeOnTerminate(false);
    Thread->Free();
    throw;
  }
  return Thread;
}

TIEIOThread* TIEIOThread::StartFile(TImagoIO* Owner, HWND NotifyWindow,
                                    const std::string& FileName, TFileProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::FileProc);
  t->file_name_ = FileName;
  t->file_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartStream(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                      TStreamProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::StreamProc);
  t->stream_ = Stream;
  t->stream_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartFileFunc(TImagoIO* Owner, HWND NotifyWindow,
                                        const std::string& FileName, TFileFunc Func) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::FileFunc);
  t->file_name_ = FileName;
  t->file_func_ = Func;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartStreamFunc(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                          TStreamFunc Func) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::StreamFunc);
  t->stream_ = Stream;
  t->stream_func_ = Func;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartFileOfType(TImagoIO* Owner, HWND NotifyWindow,
                                          const std::string& FileName, int32_t FileType,
                                          TFileTypeProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::FileTypeProc);
  t->file_name_ = FileName;
  t->file_type_ = FileType;
  t->file_type_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartStreamOfType(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                            int32_t FileType, TStreamTypeProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::StreamTypeProc);
  t->stream_ = Stream;
  t->file_type_ = FileType;
  t->stream_type_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartFrame(TImagoIO* Owner, HWND NotifyWindow, int32_t Frame,
                                     TFrameProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::FrameProc);
  t->frame_ = Frame;
  t->frame_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartMetafile(TImagoIO* Owner, HWND NotifyWindow,
                                        const std::string& FileName, int32_t Width,
                                        int32_t Height, bool WithAlpha, TMetafileProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::MetafileProc);
  t->file_name_ = FileName;
  t->width_ = Width;
  t->height_ = Height;
  t->with_alpha_ = WithAlpha;
  t->metafile_proc_ = Proc;
  return Launch(t);
}

TIEIOThread* TIEIOThread::StartURL(TImagoIO* Owner, HWND NotifyWindow, const std::string& URL,
                                   TFileProc Proc) {
  auto* t = new TIEIOThread(Owner, NotifyWindow, TIECallShape::URLProc);
  t->url_ = URL;
  t->file_proc_ = Proc;
  return Launch(t);
}

void TIEIOThread::CallRoutine() {
  TImagoIO* o = owner_;
  switch (shape_) {
    case TIECallShape::FileProc: (o->*file_proc_)(file_name_); break;
    case TIECallShape::StreamProc: (o->*stream_proc_)(stream_); break;
    case TIECallShape::FileFunc: (void)(o->*file_func_)(file_name_); break;  // the result is dropped
    case TIECallShape::StreamFunc: (void)(o->*stream_func_)(stream_); break;
    case TIECallShape::FileTypeProc: (o->*file_type_proc_)(file_name_, file_type_); break;
    case TIECallShape::StreamTypeProc: (o->*stream_type_proc_)(stream_, file_type_); break;
    case TIECallShape::FrameProc: (o->*frame_proc_)(frame_); break;
    case TIECallShape::MetafileProc: (o->*metafile_proc_)(file_name_, width_, height_, with_alpha_); break;
    case TIECallShape::URLProc: (o->*file_proc_)(url_); break;
  }
}

void TIEIOThread::Execute() {
  thread_id_.store(std::this_thread::get_id());
  try {
    CallRoutine();
  } catch (...) {
    OutputDebugString("Exception in TIEIOThread.Execute");
    owner_->SetAborted(true);
  }
  // The crypto library keeps state per thread (the web client's and the
  // temporary storage's): it goes now, not when the detached thread has
  // ended, which may be after the program's last wait for its workers.
  OPENSSL_thread_stop();
  // The owner may go away as soon as the list is empty: nothing of it is
  // touched after this.
  owner_->RemoveIOThread(this);
}
