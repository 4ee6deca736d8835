#pragma once

// What the window asks of the sound: play a cue, and the player's mute and volume. The window
// knows only this; the Qt Multimedia player behind it is made by the program's main alone, so
// tests of the window and computer players never load audio.

#include "client/sound/cue.h"

namespace quorvex::client::sound {

class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    virtual void Play(const CueRequest& request) = 0;
    virtual void SetMuted(bool muted) = 0;
    virtual bool Muted() const = 0;
    virtual void SetVolume(int volume) = 0;  // 0 to kMaxVolume
    virtual int Volume() const = 0;
};

}  // namespace quorvex::client::sound
