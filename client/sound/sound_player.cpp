#include "client/sound/sound_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <cstdio>

#include "client/sound/volume.h"

namespace quorvex::client::sound {
namespace {

constexpr int kChannels = 2;
constexpr int kFrameBytes = kChannels * 2;

// Qt's audio backend warns in its own words when it finds no server; our one line says it
// instead. Other messages pass on.
class QuietBackend {
  public:
    QuietBackend() { previous_ = qInstallMessageHandler(&Filter); }
    ~QuietBackend() { qInstallMessageHandler(previous_); }
    QuietBackend(const QuietBackend&) = delete;
    QuietBackend& operator=(const QuietBackend&) = delete;

  private:
    static void Filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.startsWith(QLatin1String("PulseAudioService:")) && previous_ != nullptr) {
            previous_(type, context, text);
        }
    }
    static inline QtMessageHandler previous_ = nullptr;
};

QAudioFormat StereoFormat() {
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

}  // namespace

SoundPlayer::SoundPlayer(bool muted, int volume)
    : mixer_(SynthesiseAll()), muted_(muted), volume_(ClampVolume(volume)) {
    mixer_.SetGain(GainFor(volume_));
    feed_.setTimerType(Qt::PreciseTimer);
    feed_.setInterval(kFeedIntervalMs);
    connect(&feed_, &QTimer::timeout, this, &SoundPlayer::Feed);
    if (!muted_) {
        OpenStream();
    }
}

SoundPlayer::~SoundPlayer() {
    CloseStream();
}

void SoundPlayer::Silent(const char* why) {
    if (!toldSilent_) {
        toldSilent_ = true;
        std::fprintf(stderr, "quorvex-client: %s; playing without sound.\n", why);
    }
}

void SoundPlayer::OpenStream() {
    const QAudioDevice device = [] {
        const QuietBackend quiet;
        return QMediaDevices::defaultAudioOutput();
    }();
    if (device.isNull()) {
        Silent("no audio output device or sound server");
        return;
    }
    const QAudioFormat format = StereoFormat();
    if (!device.isFormatSupported(format)) {
        Silent("the audio output takes no 16-bit stereo");
        return;
    }
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(kSampleRate * kQueuedMs / 1000 * kFrameBytes);
    io_ = sink_->start();
    if (io_ == nullptr || sink_->error() != QAudio::NoError) {
        Silent("the audio output could not be opened");
        CloseStream();
        return;
    }
    // A server that goes away mid-game leaves the game silent, not stopped.
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError &&
            sink_->error() != QAudio::UnderrunError) {
            Silent("the audio output failed");
            QTimer::singleShot(0, this, [this] { CloseStream(); });
        }
    });
}

void SoundPlayer::CloseStream() {
    feed_.stop();
    io_ = nullptr;
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
}

void SoundPlayer::Play(const CueRequest& request) {
    if (io_ == nullptr) {
        return;
    }
    mixer_.Start(request);
    if (sink_->state() == QAudio::SuspendedState) {
        sink_->resume();
    }
    Feed();
    if (mixer_.Active()) {
        feed_.start();
    }
}

void SoundPlayer::Feed() {
    if (io_ == nullptr) {
        return;
    }
    const auto frames = static_cast<std::size_t>(sink_->bytesFree() / kFrameBytes);
    if (frames > 0) {
        chunk_.resize(frames * kChannels);
        mixer_.Mix(chunk_.data(), frames);
        io_->write(reinterpret_cast<const char*>(chunk_.data()),
                   static_cast<qint64>(frames * kFrameBytes));
    }
    if (!mixer_.Active()) {
        feed_.stop();
        // Corked, the stream costs nothing between cues; the last one is written in full and
        // plays out first.
        QTimer::singleShot(kQueuedMs * 2, this, [this] {
            if (sink_ && !mixer_.Active() && sink_->state() != QAudio::SuspendedState) {
                sink_->suspend();
            }
        });
    }
}

void SoundPlayer::SetMuted(bool muted) {
    if (muted == muted_) {
        return;
    }
    muted_ = muted;
    if (muted_) {
        CloseStream();
    } else {
        OpenStream();
    }
}

void SoundPlayer::SetVolume(int volume) {
    volume_ = ClampVolume(volume);
    mixer_.SetGain(GainFor(volume_));
}

}  // namespace quorvex::client::sound
