#pragma once

namespace wimbly {

class MainWindow;

// Names and roles for screen readers (Qt Accessibility, read over AT-SPI on Linux): the start and
// help buttons as buttons, the score ("得分 300"), the lives left ("生命 3", on the first life
// marker), the board as a list of its 36 cells, each named by its animal in the language in
// effect, and the leaderboard's rows. The cell under keyboard play's ring has the accessible
// focus, so a screen reader speaks the animal as the ring moves. Names follow a change of language
// at once.
//
// Nothing is made or sent while no screen reader listens: Qt asks for the interfaces, and passes
// on the events, only once one does.
void describeForScreenReaders(MainWindow& window);

// Lets Qt ask this program for the interfaces above. Called once the application object exists
// and before the first window is made: a screen reader listening from the start may be handed a
// widget's interface as soon as the widget is made, and Qt keeps the first one it hands out.
// describeForScreenReaders() calls it too, for windows made without main().
void installScreenReaderSupport();

} // namespace wimbly
