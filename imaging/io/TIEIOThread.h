// TIEIOThread: runs one load or save of a TImagoIO on a thread of its own.
// The component starts one worker per operation while its AsyncMode is on;
// the worker calls the very operation that started it, with the same
// arguments, and that operation, now inside the worker, does the work.
//
// A worker lists itself in its owner's worker list (under the owner's
// critical section) before it starts, removes itself when its operation has
// returned and then frees itself; the owner waits for the list to empty
// before it goes away, so a worker never outlives its owner.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/Messages.h"
#include "rtl/TThread.h"

class TImagoIO;
class TStream;

// The routine a worker calls and the arguments it passes. Each shape keeps
// its historical number; 3 and 7 were shapes that no starter uses, so they
// have no name here.
enum class TIECallShape : uint8_t {
  FileProc = 0,        // procedure of a file name
  StreamProc = 1,      // procedure of a stream
  FileFunc = 2,        // function of a file name; its result is dropped
  StreamFunc = 4,      // function of a stream; its result is dropped
  FileTypeProc = 5,    // procedure of a file name and a file type
  StreamTypeProc = 6,  // procedure of a stream and a file type
  FrameProc = 8,       // procedure of a frame index
  MetafileProc = 9,    // procedure of a file name, width, height and alpha switch
  URLProc = 10,        // procedure of a web address
};

class TIEIOThread : public TThread {
  RTL_CLASS(TIEIOThread, TThread)
 public:
  // The routines of the call shapes, all operations of the owner.
  using TFileProc = void (TImagoIO::*)(const std::string&);
  using TStreamProc = void (TImagoIO::*)(TStream*);
  using TFileFunc = int32_t (TImagoIO::*)(const std::string&);
  using TStreamFunc = int32_t (TImagoIO::*)(TStream*);
  using TFileTypeProc = void (TImagoIO::*)(const std::string&, int32_t);
  using TStreamTypeProc = void (TImagoIO::*)(TStream*, int32_t);
  using TFrameProc = void (TImagoIO::*)(int32_t);
  using TMetafileProc = void (TImagoIO::*)(const std::string&, int32_t, int32_t, bool);

  // One starter per call shape; each lists the worker with its owner and
  // starts it. NotifyWindow is the attached view's window (null when none),
  // which the operation's notices are posted to.
  static TIEIOThread* StartFile(TImagoIO* Owner, HWND NotifyWindow, const std::string& FileName,
                                TFileProc Proc);
  static TIEIOThread* StartStream(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                  TStreamProc Proc);
  static TIEIOThread* StartFileFunc(TImagoIO* Owner, HWND NotifyWindow,
                                    const std::string& FileName, TFileFunc Func);
  static TIEIOThread* StartStreamFunc(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                      TStreamFunc Func);
  static TIEIOThread* StartFileOfType(TImagoIO* Owner, HWND NotifyWindow,
                                      const std::string& FileName, int32_t FileType,
                                      TFileTypeProc Proc);
  static TIEIOThread* StartStreamOfType(TImagoIO* Owner, HWND NotifyWindow, TStream* Stream,
                                        int32_t FileType, TStreamTypeProc Proc);
  static TIEIOThread* StartFrame(TImagoIO* Owner, HWND NotifyWindow, int32_t Frame,
                                 TFrameProc Proc);
  static TIEIOThread* StartMetafile(TImagoIO* Owner, HWND NotifyWindow,
                                    const std::string& FileName, int32_t Width, int32_t Height,
                                    bool WithAlpha, TMetafileProc Proc);
  static TIEIOThread* StartURL(TImagoIO* Owner, HWND NotifyWindow, const std::string& URL,
                               TFileProc Proc);

  TIECallShape CallShape() const { return shape_; }
  // The thread running Execute (default-constructed until it starts).
  std::thread::id ThreadId() const { return thread_id_.load(); }
  HWND NotifyWindow() const { return notify_window_; }

 protected:
  void Execute() override;

 private:
  TIEIOThread(TImagoIO* Owner, HWND NotifyWindow, TIECallShape Shape);
  static TIEIOThread* Launch(TIEIOThread* Thread);
  void CallRoutine();

  TImagoIO* const owner_;
  const HWND notify_window_;
  const TIECallShape shape_;
  TFileProc file_proc_ = nullptr;
  TStreamProc stream_proc_ = nullptr;
  TFileFunc file_func_ = nullptr;
  TStreamFunc stream_func_ = nullptr;
  TFileTypeProc file_type_proc_ = nullptr;
  TStreamTypeProc stream_type_proc_ = nullptr;
  TFrameProc frame_proc_ = nullptr;
  TMetafileProc metafile_proc_ = nullptr;
  std::string file_name_;
  TStream* stream_ = nullptr;
  int32_t file_type_ = 0;
  std::string url_;
  int32_t frame_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool with_alpha_ = false;
  std::atomic<std::thread::id> thread_id_{};
};
