// The music library (libmidas11.so): plays tracker modules on SDL's audio
// thread, or mixes them into a WAV file in step with the program's clock when
// the platform's audio-out file is set. True and non-null mean success.
// All calls come from the application's main thread; the library guards the
// state it shares with its audio thread.
#pragma once

#include "tessaly/export.h"

typedef struct MidasModule* MIDASmodule;
typedef struct MidasPlayHandle* MIDASmodulePlayHandle;

enum MidasOption : int {
    MIDAS_OPTION_MIXBUFLEN = 3,     // mixing-buffer length in milliseconds
    MIDAS_OPTION_MIXBUFBLOCKS = 4,  // number of mixing-buffer blocks
};

TESSALY_EXPORT int MIDASstartup(void);
TESSALY_EXPORT int MIDASsetOption(int option, int value);
TESSALY_EXPORT int MIDASinit(void);
TESSALY_EXPORT int MIDASstartBackgroundPlay(unsigned pollRate);
TESSALY_EXPORT MIDASmodule MIDASloadModule(const char* fileName);
TESSALY_EXPORT MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, int loopSong);
TESSALY_EXPORT int MIDASstopModule(MIDASmodulePlayHandle playHandle);
TESSALY_EXPORT int MIDASstopBackgroundPlay(void);
TESSALY_EXPORT int MIDASclose(void);
TESSALY_EXPORT int MIDASgetLastError(void);
TESSALY_EXPORT const char* MIDASgetErrorMessage(int errorCode);
