// Error codes and texts of the music library: the last failure of any call,
// with a detail (a file name, the system's reason) for the message text.
// Only ever touched from the application's main thread.
#pragma once

namespace music {

enum ErrorCode : int {
    kErrorNone = 0,
    kErrorNotStarted,
    kErrorNotInitialised,
    kErrorAlreadyInitialised,
    kErrorUnknownOption,
    kErrorBadOptionValue,
    kErrorNoAudioDevice,
    kErrorWavCreate,
    kErrorWavWrite,
    kErrorReadModule,
    kErrorModuleFormat,
    kErrorOutOfMemory,
    kErrorTooManyModules,
    kErrorBadModule,
    kErrorTooManyPlaying,
    kErrorBadPlayHandle,
    kErrorCount
};

// Records a failure; detail (printf-style, may be null) completes the message.
void SetError(ErrorCode code, const char* detailFormat, ...) __attribute__((format(printf, 2, 3)));
void ClearError();
int LastError();
// The text for a code; for the last error it carries the detail as well. The
// text stays valid until the next call.
const char* ErrorMessage(int code);

}  // namespace music
