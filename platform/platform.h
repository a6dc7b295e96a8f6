// The platform layer (libt7platform.so): the Linux stand-ins for the Win32
// pieces the program was written against. One shared instance, so the window,
// the clock, the headless flag, frame capture and scripted input are one state
// for the program, the back-end, the input library and the music library.
//
// Every function is a plain C export; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tessaly/export.h"

// ---------------------------------------------------------------- run options
// Set once by the launcher before anything else; the defaults (all zero) give
// a real-time run with a window when a display exists.
struct PlatOptions {
    int headless;            // 1: no window, no audio device, input from the script (or all up)
    int windowed;            // 1: the program skips its full-screen set-up passes
    int fixedFps;            // > 0: deterministic clock, 1000/N ms per presented frame
    long maxFrames;          // > 0: a close message after this many presented frames
    const char* captureDir;  // non-null: every presented frame is written there
    const char* scriptPath;  // non-null: scripted keyboard and mouse input
    const char* audioOut;    // non-null: the music library mixes into this WAV file
    int threads;             // drawing threads of the raster back-end, the caller's included; 0: one per core
    int modeWidth;           // > 0: the frame size the program asks for (the survey lists it); 0: default
    int modeHeight;          // with modeWidth
    int modeBits;            // 16 or 32 with modeWidth; 0: default
};
// Copies the options (the strings too) and starts a fresh run: the presented-
// frame count, the fixed clock and pending messages go back to zero, and the
// SIGINT/SIGTERM handlers are installed. Returns 0, or -1 when the script cannot
// be read (the message is written to standard error).
TESSALY_EXPORT int plat_Configure(const PlatOptions* options);
TESSALY_EXPORT const PlatOptions* plat_GetOptions(void);
// True when running without a display (forced or because SDL video failed).
TESSALY_EXPORT int plat_IsHeadless(void);
// Releases SDL video when the platform started it (call last, after the window
// is destroyed). Harmless when nothing was started.
TESSALY_EXPORT void plat_Shutdown(void);

// ---------------------------------------------------------------- libraries
// name is a library file name as the program forms it ("t7dxraster.dll",
// "LWO.dll"): X.dll is looked up as X.so, without regard to case, in the
// program's directory, then its ../lib/tessaly/, then the current directory.
// Loaded with RTLD_NOW | RTLD_LOCAL. Null when not found or not loadable.
// A name with a directory part ("some/dir/X.dll") is looked up in that
// directory only; a name ending in ".so" goes to dlopen unchanged.
TESSALY_EXPORT void* plat_LoadLibrary(const char* name);
TESSALY_EXPORT void* plat_GetProcAddress(void* library, const char* symbol);
// Why the last failed plat_LoadLibrary or plat_GetProcAddress failed, one line:
// for a load, the file looked for, the directories searched and the loader's
// reason for every file found but not loadable ("lwo.so not found (searched
// /opt/t/bin/, /opt/t/bin/../lib/tessaly/, ./)"); for a lookup, the loader's
// text naming the library and the symbol. Valid until the next failure.
TESSALY_EXPORT const char* plat_LibraryError(void);
TESSALY_EXPORT void plat_FreeLibrary(void* library);

// ---------------------------------------------------------------- files
// Resolves each path component without regard to case when the exact name does
// not exist. Writes the resolved path into out, cut to outSize: the first
// component that matches nothing is kept as given with everything after it,
// so a file about to be created keeps its name inside a found directory.
// Returns 1 when the file exists.
TESSALY_EXPORT int plat_ResolvePath(const char* path, char* out, size_t outSize);
// fopen through plat_ResolvePath.
TESSALY_EXPORT FILE* plat_OpenFile(const char* path, const char* mode);
// The current directory with '/' appended, cut to size. Returns its length.
TESSALY_EXPORT int plat_GetCurrentDirectory(char* buffer, size_t size);

// File search over one directory with '*' and '?' patterns ("dir/*.*"; the
// pattern part is matched without regard to case; "*.*" matches every name).
constexpr unsigned PLAT_ATTRIB_DIRECTORY = 16;
struct PlatFindData {
    unsigned attrib;  // PLAT_ATTRIB_DIRECTORY for directories, 0 for files
    char name[256];   // entry name without directory
};
// Returns a handle >= 0 and the first entry, or -1 when nothing matches.
TESSALY_EXPORT intptr_t plat_FindFirst(const char* pattern, PlatFindData* data);
// 0 and the next entry, or -1 at the end.
TESSALY_EXPORT int plat_FindNext(intptr_t handle, PlatFindData* data);
TESSALY_EXPORT int plat_FindClose(intptr_t handle);

// ---------------------------------------------------------------- message boxes
enum PlatBoxFlags : unsigned {
    PLAT_MB_OK = 0,
    PLAT_MB_ICONWARNING = 0x30,  // also the exclamation icon
    PLAT_MB_ICONINFORMATION = 0x40,
};
// Writes "caption: text" to standard error and, when a display exists and the
// run is not headless, also shows an SDL message box. Never waits in headless runs.
TESSALY_EXPORT int plat_MessageBox(PlatWindow* owner, const char* text, const char* caption, unsigned flags);

// ---------------------------------------------------------------- clock
// Milliseconds since program start (monotonic). With a fixed rate it advances
// only when a frame is presented or a wait jumps it.
TESSALY_EXPORT uint32_t plat_Milliseconds(void);
// Busy-waits the given seconds; with a fixed rate the clock jumps instead.
TESSALY_EXPORT void plat_WaitSeconds(double seconds);
// Waits the given seconds with the window kept responsive: its events are
// handled and the frame it shows is painted again when the window needs it
// (see plat_SetRepaintHook). Returns 1 as soon as a message is pending (the
// window was closed, a signal, the frame limit), leaving it queued for
// plat_PeekMessage; 0 after the whole wait. With a fixed rate the clock jumps
// as in plat_WaitSeconds.
TESSALY_EXPORT int plat_WaitSecondsResponsive(double seconds);
// Registers the function that presents the frame last shown once more, without
// counting it as a new frame (the back-end's; null removes it).
TESSALY_EXPORT void plat_SetRepaintHook(void (*hook)(void));
// Called by the back-end once per presented frame with the frame as a 24-bit
// blue-green-red copy (may be null when nothing is captured): advances the
// fixed clock, counts the frame, writes the capture file and posts the close
// message once maxFrames frames have been presented. The first capture file
// that cannot be written (or a capture directory that cannot be created) is
// reported once on standard error with the system's reason, the partial file
// is removed, capture stops, the run's output is marked failed and a close
// message is posted.
TESSALY_EXPORT void plat_FramePresented(const uint8_t* bgr, int width, int height, int pitch);
TESSALY_EXPORT int plat_WantsFrameCapture(void);  // 1 when plat_FramePresented needs the pixels
// The file type of captured frames: "tga" (the default, and again after
// plat_Configure) or "png" (written by the PNG image plug-in, png.so), without
// regard to case. 0, or -1 for any other text (the type is then unchanged).
TESSALY_EXPORT int plat_SetCaptureFormat(const char* extension);
// Output of the run (captured frames, the WAV file, the video) that could not
// be written: whoever fails to write marks it, and the program ends with a
// non-zero exit code. Cleared by plat_Configure.
TESSALY_EXPORT void plat_SetOutputFailed(void);
TESSALY_EXPORT int plat_OutputFailed(void);
TESSALY_EXPORT long plat_PresentedFrames(void);
// Capture slots. Slot k is the screen at time k/N of the fixed clock (N =
// fixedFps; on the real-time clock, the k-th presented frame): through a wait
// the clock jumps, the last presented frame fills the slots the wait covers,
// so captured frames line up with the sound of the clocked music mix (sample
// s at s/44100 s of the same clock). Capture files are named by slot.
// plat_FinishCapture fills the slots up to the clock's present reading (the
// program's final wait); call it at shutdown, after the music has stopped.
TESSALY_EXPORT void plat_FinishCapture(void);
TESSALY_EXPORT long plat_CaptureSlots(void);  // slots filled so far
// A frame sink receives every slot filled, on the presenting thread: the
// frame (24-bit blue-green-red rows of pitch bytes) and how many consecutive
// slots it fills. Null removes it. The video recorder is one.
typedef void (*PlatFrameSink)(const uint8_t* bgr, int width, int height, int pitch, long copies);
TESSALY_EXPORT void plat_SetFrameSink(PlatFrameSink sink);
// A sound sink receives the music library's clocked mix (44.1 kHz 16-bit
// stereo, interleaved) as it is rendered, on the main thread. When one is set
// the library mixes on the clock, as for a WAV file, instead of to a device.
typedef void (*PlatSoundSink)(const int16_t* stereo, size_t frames);
TESSALY_EXPORT void plat_SetSoundSink(PlatSoundSink sink);
TESSALY_EXPORT PlatSoundSink plat_GetSoundSink(void);
// Registers the one function plat_FramePresented calls after the clock has
// advanced (null removes it; a later registration replaces an earlier one).
// The music library uses it to keep its WAV output in step with the frames.
TESSALY_EXPORT void plat_SetFrameHook(void (*hook)(void));

// ---------------------------------------------------------------- window and events
// Creates the program window (SDL, borderless, centred) or a headless window
// object when there is no display. Never null unless out of memory.
TESSALY_EXPORT PlatWindow* plat_CreateWindow(const char* title, int width, int height);
// Creates an ordinary window instead (a frame with a title, resizable, centred)
// whose client area starts at width x height, or a headless window object.
// That size stays the size of the picture: plat_GetClientSize reports it
// whatever the window is resized to, and the back-end scales the picture into
// the window with its aspect kept, bars filling the rest.
TESSALY_EXPORT PlatWindow* plat_CreateResizableWindow(const char* title, int width, int height);
TESSALY_EXPORT void plat_DestroyWindow(PlatWindow* window);
TESSALY_EXPORT int plat_WindowIsHeadless(PlatWindow* window);
// The underlying SDL_Window*, or null for a headless window.
TESSALY_EXPORT void* plat_GetSdlWindow(PlatWindow* window);
// The client size; for a resizable window the size it was opened at (the picture's).
TESSALY_EXPORT void plat_GetClientSize(PlatWindow* window, int* width, int* height);
TESSALY_EXPORT void plat_GetScreenSize(int* width, int* height);  // desktop size (640x480 headless)
TESSALY_EXPORT void plat_ShowCursor(int show);

enum PlatMessageKind : int {
    PLAT_MSG_CLOSE = 1,  // the window's close button, SIGINT, SIGTERM, the frame limit
    PLAT_MSG_QUIT = 2,   // a quit message; code carries the exit code
};
struct PlatMessage {
    int kind;
    int code;
};
// Takes one pending message (pumping SDL events first). 1 when one was taken.
TESSALY_EXPORT int plat_PeekMessage(PlatMessage* message);
// 1 when a message is pending (pumping SDL events first); it stays queued.
TESSALY_EXPORT int plat_MessagePending(void);
TESSALY_EXPORT void plat_PostMessage(int kind, int code);

// ---------------------------------------------------------------- scripted input
// Key and mouse state for the current presented-frame count, from the script
// (all up and no movement without one). keys are indexed by DirectInput scan
// code, 0x80 when down; mouse movement is what the script gave for this frame.
// Script lines: "F key NAME down|up", "F type TEXT" (character i pressed at
// frame F + 2i, released at F + 2i + 1, with left Shift where needed),
// "F mouse DX DY [DZ]", "F button 0-3 down|up", "#" comments.
TESSALY_EXPORT int plat_HasScript(void);
TESSALY_EXPORT void plat_ScriptKeys(uint8_t keys[256]);
TESSALY_EXPORT void plat_ScriptMouse(int* dx, int* dy, int* dz, uint8_t buttons[4]);
// DirectInput key name ("F4", "GRAVE", "UP", "A", "RETURN") to scan code, -1 if unknown.
TESSALY_EXPORT int plat_KeyCodeFromName(const char* name);
