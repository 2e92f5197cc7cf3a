#include "platform/sound/sound.h"
#include "platform/sound/canberra_sound_output.h"
#include "platform/sound/sound_player.h"
#include "platform/sound/sound_resources.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryFile>

#include <unistd.h>
#include <cstdio>

namespace {

using platform::SoundOutput;
using platform::SoundPlayer;

// Records what it is asked to play; the test ends playbacks itself, and may hold play() at a gate.
struct RecordingOutput : SoundOutput {
    struct Shared {
        QMutex mutex;
        QStringList played;  // "<file name> <volume>"
        std::vector<std::function<void()>> finishers;
        QSemaphore* gate = nullptr;
        Status answer;
    };
    explicit RecordingOutput(Shared& s) : shared(s) {}
    Status play(quint32, const QString& path, double volume, std::function<void()> finished) override {
        if (shared.gate) shared.gate->acquire();
        QMutexLocker lock(&shared.mutex);
        if (!shared.answer) return shared.answer;
        shared.played << QStringLiteral("%1 %2").arg(QFileInfo(path).fileName()).arg(volume);
        shared.finishers.push_back(std::move(finished));
        return {};
    }
    Status playAlert(quint32, std::function<void()> finished) override {
        QMutexLocker lock(&shared.mutex);
        if (!shared.answer) return shared.answer;
        shared.played << QStringLiteral("alert");
        shared.finishers.push_back(std::move(finished));
        return {};
    }
    Shared& shared;
};

class SoundTest : public ::testing::Test {
protected:
    QStringList played() {
        QMutexLocker lock(&output.mutex);
        return output.played;
    }
    void finishAll() {
        std::vector<std::function<void()>> finishers;
        {
            QMutexLocker lock(&output.mutex);
            finishers.swap(output.finishers);
        }
        for (auto& f : finishers) f();
    }
    bool settled() { return player.pendingCount() == 0; }

    RecordingOutput::Shared output;
    SoundPlayer player{[this] { return std::make_unique<RecordingOutput>(output); }};
};

TEST_F(SoundTest, ProgramSoundsAreFoundInTheBuildTree) {
    for (const char* name :
         {"task_completed.oga", "party1.oga", "party2.oga", "space1.oga", "space2.oga", "archive.oga"})
        EXPECT_TRUE(QFileInfo(platform::soundResourcePath(QString::fromLatin1(name))).isFile()) << name;
    // Another ending finds the same sound; names that would leave the folder find nothing.
    EXPECT_EQ(QFileInfo(platform::soundResourcePath(QStringLiteral("archive.m4a"))).fileName(),
              QStringLiteral("archive.oga"));
    EXPECT_EQ(platform::soundResourcePath(QStringLiteral("../sounds/archive.oga")), QString());
    EXPECT_EQ(platform::soundResourcePath(QStringLiteral("no_such_sound.oga")), QString());
}

TEST_F(SoundTest, PlaysAtTheVolumeOfTheMomentAndHoldsTheSoundUntilItEnds) {
    auto sound = TDSound::soundNamed(QStringLiteral("task_completed.oga"), player);
    EXPECT_EQ(sound->volume(), 1.0);
    sound->setVolume(0.7);
    sound->play();
    sound->setVolume(0.25);  // only for later plays
    sound->play();
    const std::weak_ptr<TDSound> weak = sound;
    sound.reset();

    ASSERT_TRUE(testsupport::spinUntil([this] { return settled() && player.playingCount() == 2; }));
    EXPECT_EQ(played(), (QStringList{QStringLiteral("task_completed.oga 0.7"),
                                     QStringLiteral("task_completed.oga 0.25")}));
    EXPECT_FALSE(weak.expired());

    finishAll();
    ASSERT_TRUE(testsupport::spinUntil([this] { return player.playingCount() == 0; }));
    EXPECT_TRUE(weak.expired());
}

TEST_F(SoundTest, TheBeepIsTheDesktopsAlertAndEndsLikeAnySound) {
    EXPECT_TRUE(player.beep());
    ASSERT_TRUE(testsupport::spinUntil([this] { return settled() && player.playingCount() == 1; }));
    EXPECT_EQ(played(), QStringList{QStringLiteral("alert")});
    finishAll();
    ASSERT_TRUE(testsupport::spinUntil([this] { return player.playingCount() == 0; }));
}

TEST_F(SoundTest, AFifthWaitingRequestIsTheLastAccepted) {
    QSemaphore gate;
    output.gate = &gate;
    auto sound = TDSound::soundNamed(QStringLiteral("space1.oga"), player);
    for (int i = 0; i < SoundPlayer::kMaximumPending; ++i) EXPECT_TRUE(player.play(sound, 1.0)) << i;
    EXPECT_FALSE(player.play(sound, 1.0));
    sound->play();  // dropped quietly
    EXPECT_EQ(player.pendingCount(), SoundPlayer::kMaximumPending);

    gate.release(1);  // one set-up finishes: room for one more
    ASSERT_TRUE(
        testsupport::spinUntil([this] { return player.pendingCount() == SoundPlayer::kMaximumPending - 1; }));
    EXPECT_TRUE(player.play(sound, 1.0));
    EXPECT_FALSE(player.play(sound, 1.0));

    gate.release(SoundPlayer::kMaximumPending);
    ASSERT_TRUE(testsupport::spinUntil([this] { return settled(); }));
    EXPECT_EQ(played().size(), SoundPlayer::kMaximumPending + 1);
    finishAll();
    ASSERT_TRUE(testsupport::spinUntil([this] { return player.playingCount() == 0; }));
}

// Standard error of the test process while `run` runs.
QString standardErrorOf(const std::function<void()>& run) {
    QTemporaryFile file;
    EXPECT_TRUE(file.open());
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

TEST_F(SoundTest, WithoutOutputNothingPlaysAndThatIsLoggedOnce) {
    output.answer = TDError::make(SoundOutput::Unavailable, QStringLiteral("no device"));
    auto sound = TDSound::soundNamed(QStringLiteral("party1.oga"), player);
    const QString log = standardErrorOf([&] {
        for (int i = 0; i < 3; ++i) {
            sound->play();
            ASSERT_TRUE(testsupport::spinUntil([this] { return settled(); }));
        }
    });
    EXPECT_EQ(log.count(QStringLiteral("Sound effects are off: no audio output (no device)")), 1)
        << log.toStdString();
    EXPECT_EQ(player.playingCount(), 0);
}

TEST_F(SoundTest, AMissingSoundLogsAnErrorAndPlaysNothing) {
    auto sound = TDSound::soundNamed(QStringLiteral("fanfare.oga"), player);
    const QString log = standardErrorOf([&] {
        sound->play();
        ASSERT_TRUE(testsupport::spinUntil([this] { return settled(); }));
    });
    EXPECT_TRUE(log.contains(QStringLiteral(
        "ERROR: Could not get the audio player to load sound: no sound named \"fanfare.oga\"")))
        << log.toStdString();
    EXPECT_TRUE(played().isEmpty());
}

// The real back end on a machine without audio hardware (the test's folders hide any sound server;
// the second player names a driver that does not exist): nothing fails, nothing hangs.
TEST(CanberraSound, PlaysWithoutAudioHardware) {
    for (const char* driver : {"", "no-such-driver"}) {
        if (*driver) qputenv("CANBERRA_DRIVER", driver);
        {
            SoundPlayer player([] { return std::make_unique<platform::CanberraSoundOutput>(); });
            auto sound = TDSound::soundNamed(QStringLiteral("task_completed.oga"), player);
            sound->setVolume(0.5);
            const QString log = standardErrorOf([&] {
                for (int i = 0; i < 3; ++i) {
                    sound->play();
                    ASSERT_TRUE(testsupport::spinUntil([&] { return player.pendingCount() == 0; }));
                }
                player.beep();
                ASSERT_TRUE(testsupport::spinUntil([&] { return player.pendingCount() == 0; }));
            });
            EXPECT_LE(log.count(QStringLiteral("Sound effects are off")), 1) << driver;
            if (*driver) {
                EXPECT_EQ(log.count(QStringLiteral("Sound effects are off")), 1) << log.toStdString();
            }
        }  // stopping the player cancels what may still play
        qunsetenv("CANBERRA_DRIVER");
    }
}

}  // namespace
