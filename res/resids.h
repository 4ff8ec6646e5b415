#pragma once

// Ids of the pictures and sound cues that the program carries inside its executable.
namespace wimbly::res {

// Character n (0..35) is bitmap CharacterBase + n; the board shows it in cell n.
inline constexpr int CharacterCount = 36;
inline constexpr int CharacterBase = 101;
inline constexpr int Background = 200;
inline constexpr int Board = 201;
inline constexpr int Marker = 202;
// Mascot poses: 301..304 open a celebration (302 is also the game-over pose), 305 closes it.
inline constexpr int MascotFirst = 301;
inline constexpr int MascotCross = 302;
inline constexpr int MascotLeap = 305;
inline constexpr int StartButton = 901;
inline constexpr int HelpButton = 902;

// Sound cues.
inline constexpr int CuePresent = 101;
inline constexpr int CueTurnDone = 102;
inline constexpr int CueCorrect = 103;
inline constexpr int CueWrong = 104;
inline constexpr int CueGameOver = 105;

constexpr int characterBitmap(int character) {
    return CharacterBase + character;
}

} // namespace wimbly::res
