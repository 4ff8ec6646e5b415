#pragma once

#include "clock.h"
#include "gameview.h"

#include <QLine>
#include <QList>

#include <array>

namespace wimbly::test {

// A GameView that keeps what a window would show and logs every call with the clock's time.
class RecorderView final : public GameView {
public:
    enum class Kind {
        Board,
        Draw,
        Clear,
        SlotCharacter,
        Slot,
        Marker,
        Pose,
        Mascot,
        Score,
        Cue,
        Name,
        Leaderboard,
        Help,
        Ended
    };
    struct Event {
        qint64 time;
        Kind kind;
        int a;
        int b;
    };

    explicit RecorderView(const Clock& clock) : m_clock(clock) {}

    void setBoardVisible(bool visible) override {
        boardVisible = visible;
        log(Kind::Board, visible);
    }
    void drawOnBoard(QLine line) override {
        lines.append(line);
        log(Kind::Draw, int(lines.size()));
    }
    void clearBoard() override {
        lines.clear();
        log(Kind::Clear);
    }
    void setSlotCharacter(int slot, int character) override {
        slotCharacter.at(std::size_t(slot)) = character;
        log(Kind::SlotCharacter, slot, character);
    }
    void setSlotVisible(int slot, bool visible) override {
        slotVisible.at(std::size_t(slot)) = visible;
        log(Kind::Slot, slot, visible);
    }
    void setMarkerVisible(int marker, bool visible) override {
        markerVisible.at(std::size_t(marker)) = visible;
        log(Kind::Marker, marker, visible);
    }
    void setMascotPose(int bitmapId) override {
        mascotPose = bitmapId;
        log(Kind::Pose, bitmapId);
    }
    void setMascotVisible(bool visible) override {
        mascotVisible = visible;
        log(Kind::Mascot, visible);
    }
    void showScore(qint32 value) override {
        score = value;
        log(Kind::Score, value);
    }
    void playCue(res::Cue cue) override { log(Kind::Cue, res::cueId(cue)); }
    void sayName(int character) override { log(Kind::Name, character); }
    void openLeaderboard(qint32 value) override {
        leaderboardScores.append(value);
        log(Kind::Leaderboard, value);
    }
    void openHelp() override { log(Kind::Help); }
    void gameEnded(const GameSummary& summary) override {
        endedGames.append(summary);
        log(Kind::Ended, int(summary.ending));
    }

    QList<Event> eventsSince(qint64 time, Kind kind) const {
        QList<Event> found;
        for (const Event& e : events)
            if (e.time >= time && e.kind == kind)
                found.append(e);
        return found;
    }
    // Position in the log, to look at what came after it.
    int mark() const { return int(events.size()); }
    QList<Event> eventsFrom(int mark, Kind kind) const {
        QList<Event> found;
        for (qsizetype i = mark; i < events.size(); ++i)
            if (events[i].kind == kind)
                found.append(events[i]);
        return found;
    }
    QList<int> cuesFrom(int mark) const {
        QList<int> cues;
        for (const Event& e : eventsFrom(mark, Kind::Cue))
            cues.append(e.a);
        return cues;
    }
    QList<int> cuesSince(qint64 time) const {
        QList<int> cues;
        for (const Event& e : eventsSince(time, Kind::Cue))
            cues.append(e.a);
        return cues;
    }
    int lastCue() const {
        for (auto it = events.crbegin(); it != events.crend(); ++it)
            if (it->kind == Kind::Cue)
                return it->a;
        return 0;
    }
    int visibleSlots() const {
        int count = 0;
        for (bool visible : slotVisible)
            count += visible ? 1 : 0;
        return count;
    }
    int visibleMarkers() const {
        int count = 0;
        for (bool visible : markerVisible)
            count += visible ? 1 : 0;
        return count;
    }

    bool boardVisible = false;
    QList<QLine> lines;
    std::array<int, 36> slotCharacter{};
    std::array<bool, 36> slotVisible{};
    std::array<bool, 9> markerVisible{};
    int mascotPose = 0;
    bool mascotVisible = false;
    qint32 score = 0;
    QList<qint32> leaderboardScores;
    QList<GameSummary> endedGames;
    QList<Event> events;
    // Off for games far longer than a window run: the state above is kept, the log is not.
    bool keepLog = true;

private:
    void log(Kind kind, int a = 0, int b = 0) {
        if (keepLog)
            events.append({m_clock.now(), kind, a, b});
    }

    const Clock& m_clock;
};

} // namespace wimbly::test
