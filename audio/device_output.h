// Output to the sound card through SDL2: the mixer renders on SDL's own audio
// thread, 44.1 kHz 16-bit stereo.
#pragma once

namespace music {

// Stereo frames per SDL callback for a mixing buffer of bufferMs milliseconds
// split into blocks: one block's length, to the nearest power of two, within
// 256 to 8192.
int DeviceCallbackFrames(int bufferMs, int blocks);
// Opens the default device, paused. False after recording the error.
bool DeviceOpen(int bufferMs, int blocks);
void DeviceStart();
void DevicePause();
// Closes the device (waiting for a running callback to return) and releases SDL audio.
void DeviceClose();

}  // namespace music
