#include "saving_harness.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QFile>

#include "engine/wave_header.h"
#include "mp3_probe.h"
#include "platform/audio/audio_backend.h"

namespace savingtest {

using platform::audio::FakeBackend;

ShimState* LoadedShim(const char* variant)
{
    const QByteArray path = QFile::encodeName(ShimFolder(variant) + QStringLiteral("/libmpeg_encoder.so"));
    void* module = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!module)
        return nullptr;
    auto state = reinterpret_cast<ShimState* (*)()>(dlsym(module, "shimState"));
    dlclose(module);  // the probe's own reference; the holder keeps it loaded
    return state ? state() : nullptr;
}

bool EncoderLibraryLoaded()
{
    void* module = dlopen("libmpeg_encoder.so", RTLD_NOW | RTLD_NOLOAD);
    if (module)
        dlclose(module);
    return module != nullptr;
}

SavingSession::SavingSession(const QString& pluginFolder, Audio audio)
{
    if (audio == Audio::Fake) {
        backend.AddInputDevice(QStringLiteral("Microphone"));
        m_fakeAudio.emplace(backend);
    } else {
        engineView.device = -1;
    }
    plugin = std::make_shared<EncoderPlugin>();
    plugin->LoadEncoder(pluginFolder.isEmpty() ? m_temp.path() : pluginFolder);
    engine = std::make_unique<RecordingEngine>();
    engineView.Listen(*engine);
    engine->SetMp3Side(std::make_unique<Mp3TempEncoder>(plugin, [this] { return saveView.quality; }));
    saver = std::make_unique<SaveFlow>(*engine, saveView, plugin);
    QObject::connect(saver.get(), &SaveFlow::RecordingSaved, [this](const QString& path) { added << path; });
    saver->SetSleep([this](int ms) { sleeps.push_back(ms); });
    saver->SetClock([] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, 9)); });
    saveView.folder = m_saves.path();
}

void SavingSession::Capture(double frequency, uint32_t frames)
{
    // The capture device lives on the engine's writer thread. Hand the sound
    // over in portions the queued blocks can take, as a sound card would.
    TakeWriter& writer = engine->GetTakeWriter();
    auto* stream = backend.GetCaptureStream();
    const uint32_t portion = stream ? stream->Format().sampleRate / 2 : 0;
    for (uint32_t n = 0; stream && frames > 0; frames -= n) {
        n = std::min(frames, portion);
        writer.RunOnWriterThread([&] { stream->DeliverTone(frequency, 0.5, n); });
        for (int i = 0; i < 3; ++i)
            writer.RunOnWriterThread([] {}), FakeBackend::ProcessCallbacks();
    }
}

void SavingSession::StopRecording()
{
    engine->Stop();
    for (int i = 0; i < 100 && engine->IsRecording(); ++i)
        engine->GetTakeWriter().RunOnWriterThread([] {}), FakeBackend::ProcessCallbacks();
    FakeBackend::ProcessCallbacks();
}

void SavingSession::SaveAt(int second)
{
    saver->SetClock([second] { return QDateTime(QDate(2008, 3, 5), QTime(14, 7, second)); });
    saver->OnSave();
}

void ExpectMp3Holds(const QString& path, uint32_t frames, int rate, int channels, int kbps, double tone)
{
    const encodertest::Mp3Report d = encodertest::ProbeMp3(path);
    ASSERT_TRUE(d.error.empty()) << d.error;
    EXPECT_EQ(d.Frames(), frames);
    EXPECT_EQ(d.rate, rate);
    EXPECT_EQ(d.channels, channels);
    EXPECT_EQ(d.Bitrates(), std::set<int>{kbps});
    EXPECT_GT(encodertest::ToneShare(d.samples, d.channels, 0, d.rate, tone), 0.6);
}

void ExpectWaveHolds(const QString& path, uint32_t frames, int rate, int channels, int bits)
{
    const QByteArray bytes = testsupport::ReadFile(path);
    WaveHeader header;
    ASSERT_GE(bytes.size(), WaveHeader::kSize);
    ASSERT_TRUE(WaveHeader::Parse(reinterpret_cast<const uint8_t*>(bytes.constData()), WaveHeader::kSize, header));
    EXPECT_EQ(header.riffSize, uint32_t(bytes.size() - 8));
    EXPECT_EQ(header.dataSize, uint32_t(bytes.size() - WaveHeader::kSize));
    const auto soxi = testsupport::RunTool("soxi", {path});
    ASSERT_EQ(soxi.exitCode, 0) << soxi.err.toStdString();
    const QString text = QString::fromLocal8Bit(soxi.out);
    for (const QString& line :
         {QString("Channels       : %1\n").arg(channels), QString("Sample Rate    : %1\n").arg(rate),
          QString("Precision      : %1-bit\n").arg(bits), QString(" = %1 samples").arg(frames)})
        EXPECT_TRUE(text.contains(line)) << text.toStdString();
}

}  // namespace savingtest
