#include "bmp.h"
#include "catalogue.h"
#include "pictureloader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

// From the build (wimbly_test_paths in tests/res/CMakeLists.txt): the resource generator and the
// folder of the drawings it renders.
extern const char resgenProgram[];
extern const char artFolder[];

namespace res = wimbly::res;
using res::loadPicture;
using res::programIcon;

namespace {

constexpr QRgb CharacterGround = qRgb(211, 253, 252);
constexpr QRgb BoardGreen = qRgb(0, 176, 59);
constexpr QRgb GridGreen = qRgb(0, 62, 21);
constexpr QRgb Navy = qRgb(0, 0, 128);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QSize BoardSize{343, 221};
constexpr int CellWidth = 38;
constexpr int CellHeight = 55;

struct Entry {
    int id;
    QSize size;
};

// Every bitmap the program carries, with its size: the values the catalogue must hold.
QList<Entry> catalogue() {
    QList<Entry> entries;
    for (int id = 101; id <= 136; ++id)
        entries.append({id, {36, 46}});
    entries.append({200, {458, 458}});
    entries.append({201, BoardSize});
    entries.append({202, {16, 16}});
    for (int id = 301; id <= 305; ++id)
        entries.append({id, {150, 150}});
    entries.append({901, {50, 35}});
    entries.append({902, {50, 35}});
    return entries;
}

QImage bitmap(int id, int scale) {
    return QImage(res::bitmapResource(id, scale)).convertToFormat(QImage::Format_RGB32);
}

QByteArray resourceBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file embedded in the folders that hold `files`, sorted.
QStringList embeddedBeside(const QStringList& files) {
    QStringList folders;
    for (const QString& file : files) {
        const QString folder = QFileInfo(file).path();
        if (!folders.contains(folder))
            folders.append(folder);
    }
    QStringList embedded;
    for (const QString& folder : folders) {
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            embedded.append(folder + QLatin1Char('/') + name);
    }
    embedded.sort();
    return embedded;
}

quint32 le32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 le16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// Pixels that are not the ground colour: the drawing's silhouette, whatever its colours.
QList<bool> silhouette(const QImage& image, QRgb ground) {
    QList<bool> mask;
    mask.reserve(image.width() * image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            mask.append(channelDistance(image.pixel(x, y), ground) > 32);
    }
    return mask;
}

qsizetype differingPixels(const QList<bool>& a, const QList<bool>& b) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

struct Cue {
    int id;
    double seconds;
};

// Every cue with its length: the values the catalogue must hold.
constexpr std::array Cues{Cue{101, 0.63}, Cue{102, 1.94}, Cue{103, 0.05}, Cue{104, 0.45},
                          Cue{105, 1.76}};

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void catalogueHoldsExactlyTheBitmapsCuesAndIconSizesTheProgramCarries();
    void everyBitmapLoadsAtItsCatalogueSize_data();
    void everyBitmapLoadsAtItsCatalogueSize();
    void loadPicFailsForIdsOutsideTheCatalogue_data();
    void loadPicFailsForIdsOutsideTheCatalogue();
    void bitmapsAre24BitUncompressed_data();
    void bitmapsAre24BitUncompressed();
    void groundsHaveTheirExactColours_data();
    void groundsHaveTheirExactColours();
    void backgroundBoardAreaIsPlainGreen_data();
    void backgroundBoardAreaIsPlainGreen();
    void boardGridLinesAreExact_data();
    void boardGridLinesAreExact();
    void boardCellShowsTheCharacterOfTheSameNumber_data();
    void boardCellShowsTheCharacterOfTheSameNumber();
    void charactersDifferInShape_data();
    void charactersDifferInShape();
    void mascotPosesDifferInShape();
    void programIconIsTheThirtyTwoPixelPictureWithDesktopSizesBeside();
    void bitmapDecoderRefusesWhatItCannotRead_data();
    void bitmapDecoderRefusesWhatItCannotRead();
    void cuesArePcmWavesOfTheirCatalogueLength_data();
    void cuesArePcmWavesOfTheirCatalogueLength();
    void generatorIsDeterministicAndMatchesTheEmbeddedFiles();
};

// The catalogue that the generator, the game and the windows read holds the ids, sizes and
// lengths given here, and the program embeds the files of exactly those ids.
void TestResources::catalogueHoldsExactlyTheBitmapsCuesAndIconSizesTheProgramCarries() {
    QList<int> ids;
    for (const Entry& e : catalogue()) {
        ids.append(e.id);
        QCOMPARE(res::bitmapSize(e.id), e.size);
    }
    const auto catalogueIds = res::bitmapIds();
    QCOMPARE(QList<int>(catalogueIds.begin(), catalogueIds.end()), ids);
    QCOMPARE(res::CharacterCount, 36);
    QCOMPARE(res::BoardSize, BoardSize);

    QList<int> cueIds;
    for (const Cue& c : Cues) {
        cueIds.append(c.id);
        QCOMPARE(res::cueSeconds(c.id), c.seconds);
    }
    QList<int> catalogueCues;
    for (const res::CueLength& c : res::Cues)
        catalogueCues.append(c.id);
    QCOMPARE(catalogueCues, cueIds);
    QCOMPARE(QList<int>(res::IconSizes.begin(), res::IconSizes.end()),
             (QList<int>{32, 48, 64, 128, 256}));

    // The build embeds these and nothing else beside them, under the names the program reads.
    QStringList expected;
    for (int id : ids) {
        for (int scale : {1, 2, 4})
            expected << res::bitmapResource(id, scale);
    }
    for (int id : cueIds)
        expected << res::cueResource(id);
    expected.sort();
    QCOMPARE(embeddedBeside(expected), expected);
}

void TestResources::everyBitmapLoadsAtItsCatalogueSize_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    for (const Entry& e : catalogue())
        QTest::addRow("%d", e.id) << e.id << e.size;
}

void TestResources::everyBitmapLoadsAtItsCatalogueSize() {
    QFETCH(int, id);
    QFETCH(QSize, size);
    const std::optional<QPixmap> pixmap = loadPicture(id);
    QVERIFY(pixmap.has_value());
    // The layout works in logical pixels whatever the screen's density.
    QCOMPARE(pixmap->deviceIndependentSize().toSize(), size);
    const int ratio = qGuiApp->devicePixelRatio() >= 2 ? 2 : 1;
    QCOMPARE(pixmap->devicePixelRatio(), qreal(ratio));
    QCOMPARE(pixmap->size(), size * ratio);
    QCOMPARE(bitmap(id, 2).size(), size * 2);
}

void TestResources::loadPicFailsForIdsOutsideTheCatalogue_data() {
    QTest::addColumn<int>("id");
    for (int id : {-1, 0, 100, 137, 199, 203, 300, 306, 900, 903, 65535})
        QTest::addRow("%d", id) << id;
}

void TestResources::loadPicFailsForIdsOutsideTheCatalogue() {
    QFETCH(int, id);
    QVERIFY(!loadPicture(id).has_value());
}

void TestResources::bitmapsAre24BitUncompressed_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const Entry& e : catalogue()) {
        QTest::addRow("%d", e.id) << res::bitmapResource(e.id, 1) << e.size;
        QTest::addRow("%d@2x", e.id) << res::bitmapResource(e.id, 2) << e.size * 2;
        QTest::addRow("%d@4x", e.id) << res::bitmapResource(e.id, 4) << e.size * 4;
    }
    QTest::addRow("icon") << res::iconBitmapResource() << QSize(32, 32);
}

void TestResources::bitmapsAre24BitUncompressed() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray b = resourceBytes(path);
    QVERIFY2(b.size() > 54, qPrintable(path));
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(le32(b, 2), quint32(b.size()));
    const quint32 dataOffset = le32(b, 10);
    QCOMPARE(le32(b, 14), 40u); // BITMAPINFOHEADER
    QCOMPARE(int(le32(b, 18)), size.width());
    QCOMPARE(int(le32(b, 22)), size.height()); // positive: bottom-up rows
    QCOMPARE(le16(b, 26), quint16(1));
    QCOMPARE(le16(b, 28), quint16(24));
    QCOMPARE(le32(b, 30), 0u); // BI_RGB
    const quint32 rowSize = (quint32(size.width()) * 3 + 3) & ~3u;
    QCOMPARE(quint32(b.size()) - dataOffset, rowSize * quint32(size.height()));
    // The program's own decoder sees every pixel as Qt's reader does.
    QCOMPARE(res::decodeBmp24(b), QImage::fromData(b, "BMP").convertToFormat(QImage::Format_RGB32));
}

void TestResources::groundsHaveTheirExactColours_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QRgb>("ground");
    for (int scale : {1, 2}) {
        for (int n = 0; n < res::CharacterCount; ++n)
            QTest::addRow("%d@%dx", res::characterBitmap(n), scale)
                << res::characterBitmap(n) << scale << CharacterGround;
        for (int id = 301; id <= res::MascotLeap; ++id)
            QTest::addRow("%d@%dx", id, scale) << id << scale << BoardGreen;
        for (int id : {res::Marker, res::StartButton, res::HelpButton})
            QTest::addRow("%d@%dx", id, scale) << id << scale << Navy;
    }
}

void TestResources::groundsHaveTheirExactColours() {
    QFETCH(int, id);
    QFETCH(int, scale);
    QFETCH(QRgb, ground);
    const QImage image = bitmap(id, scale);
    QVERIFY(!image.isNull());
    const int r = image.width() - 1;
    const int b = image.height() - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
        QCOMPARE(image.pixel(p), ground);
    // The buttons sit in a navy frame that joins the window's navy strip without a seam.
    if (id == res::StartButton || id == res::HelpButton) {
        for (int x = 0; x <= r; ++x) {
            QCOMPARE(image.pixel(x, 0), ground);
            QCOMPARE(image.pixel(x, b), ground);
        }
        for (int y = 0; y <= b; ++y) {
            QCOMPARE(image.pixel(0, y), ground);
            QCOMPARE(image.pixel(r, y), ground);
        }
    }
    // A drawing is there: a good share of the picture is not ground.
    const QList<bool> mask = silhouette(image, ground);
    QVERIFY(mask.count(true) > mask.size() / 20);
}

void TestResources::backgroundBoardAreaIsPlainGreen_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("1x") << 1;
    QTest::newRow("2x") << 2;
}

void TestResources::backgroundBoardAreaIsPlainGreen() {
    QFETCH(int, scale);
    const QImage image = bitmap(res::Background, scale);
    QCOMPARE(image.size(), QSize(458, 458) * scale);
    for (int y = 185 * scale; y < 449 * scale; y += 3) {
        for (int x = 40 * scale; x < 411 * scale; x += 3)
            QCOMPARE(image.pixel(x, y), BoardGreen);
    }
    for (int y : {185, 448}) {
        for (int x : {40, 410})
            QCOMPARE(image.pixel(x * scale + scale - 1, y * scale + scale - 1), BoardGreen);
    }
    // The scene above the board area is a picture, not plain green.
    QVERIFY(silhouette(image.copy(0, 0, image.width(), 180 * scale), BoardGreen).count(true) >
            image.width() * 150 * scale);
}

void TestResources::boardGridLinesAreExact_data() {
    backgroundBoardAreaIsPlainGreen_data();
}

void TestResources::boardGridLinesAreExact() {
    QFETCH(int, scale);
    const QImage image = bitmap(res::Board, scale);
    QCOMPARE(image.size(), BoardSize * scale);
    const int w = BoardSize.width();
    const int h = BoardSize.height();
    // Every device pixel of a logical pixel carries its colour.
    auto at = [&](int x, int y) {
        const QRgb c = image.pixel(x * scale, y * scale);
        for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) {
                if (image.pixel(x * scale + dx, y * scale + dy) != c)
                    return qRgb(1, 2, 3);
            }
        }
        return c;
    };
    for (int x = 0; x < w; ++x) {
        QCOMPARE(at(x, 0), Black);
        QCOMPARE(at(x, h - 1), Black);
    }
    for (int y = 0; y < h; ++y) {
        QCOMPARE(at(0, y), Black);
        QCOMPARE(at(w - 1, y), Black);
    }
    for (int c = 1; c < 9; ++c) {
        for (int y = 1; y < h - 1; ++y)
            QCOMPARE(at(CellWidth * c, y), GridGreen);
    }
    for (int r = 1; r < 4; ++r) {
        for (int x = 1; x < w - 1; ++x)
            QCOMPARE(at(x, CellHeight * r), GridGreen);
    }
    // The corners inside every cell are the cell green, next to the lines.
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 9; ++c) {
            const int left = CellWidth * c + 1;
            const int top = CellHeight * r + 1;
            QCOMPARE(at(left, top), BoardGreen);
            QCOMPARE(at(left + 36, top), BoardGreen);
            QCOMPARE(at(left, top + 53), BoardGreen);
            QCOMPARE(at(left + 36, top + 53), BoardGreen);
        }
    }
}

void TestResources::boardCellShowsTheCharacterOfTheSameNumber_data() {
    QTest::addColumn<int>("character");
    QTest::addColumn<int>("scale");
    for (int scale : {1, 2}) {
        for (int n = 0; n < res::CharacterCount; ++n)
            QTest::addRow("cell %d @%dx", n, scale) << n << scale;
    }
}

// The character sits in its cell at some offset. Where the drawing is partly transparent the
// ground shows through, so at the right offset each pixel of the bitmap differs from the board by
// the same fraction t of (cyan - green): t = 0 inside the drawing, t = 1 on the bare ground.
void TestResources::boardCellShowsTheCharacterOfTheSameNumber() {
    QFETCH(int, character);
    QFETCH(int, scale);
    const QImage board = bitmap(res::Board, scale);
    const QImage sprite = bitmap(res::characterBitmap(character), scale);
    const QRect cell(((character % 9) * CellWidth + 1) * scale,
                     ((character / 9) * CellHeight + 1) * scale, 37 * scale, 54 * scale);
    constexpr int Tolerance = 6;
    const int groundRed = qRed(CharacterGround) - qRed(BoardGreen);
    const int groundGreen = qGreen(CharacterGround) - qGreen(BoardGreen);
    const int groundBlue = qBlue(CharacterGround) - qBlue(BoardGreen);

    qsizetype best = sprite.width() * sprite.height();
    for (int oy = 0; oy + sprite.height() <= cell.height(); ++oy) {
        for (int ox = 0; ox + sprite.width() <= cell.width(); ++ox) {
            qsizetype mismatches = 0;
            for (int y = 0; y < sprite.height(); ++y) {
                for (int x = 0; x < sprite.width(); ++x) {
                    const QRgb a = sprite.pixel(x, y);
                    const QRgb b = board.pixel(cell.left() + ox + x, cell.top() + oy + y);
                    const double t = double(qRed(a) - qRed(b)) / groundRed;
                    mismatches += t < -0.03 || t > 1.03 ||
                                  std::abs(qGreen(a) - qGreen(b) - t * groundGreen) > Tolerance ||
                                  std::abs(qBlue(a) - qBlue(b) - t * groundBlue) > Tolerance;
                }
            }
            best = std::min(best, mismatches);
        }
    }
    QCOMPARE(best, 0);
}

void TestResources::charactersDifferInShape_data() {
    QTest::addColumn<int>("character");
    for (int n = 0; n < res::CharacterCount; ++n)
        QTest::addRow("%d", n) << n;
}

// Colour-blind children tell characters apart by their outlines: every pair's silhouettes differ
// in a good number of pixels. A recoloured copy would differ in none.
void TestResources::charactersDifferInShape() {
    QFETCH(int, character);
    constexpr qsizetype MinimumDifference = 120; // of 36 x 46 pixels
    const QList<bool> mine =
        silhouette(bitmap(res::characterBitmap(character), 1), CharacterGround);
    for (int other = character + 1; other < res::CharacterCount; ++other) {
        const qsizetype d = differingPixels(
            mine, silhouette(bitmap(res::characterBitmap(other), 1), CharacterGround));
        QVERIFY2(d >= MinimumDifference,
                 qPrintable(QStringLiteral("characters %1 and %2 differ in only %3 pixels")
                                .arg(character)
                                .arg(other)
                                .arg(d)));
    }
}

void TestResources::mascotPosesDifferInShape() {
    constexpr qsizetype MinimumDifference = 800; // of 150 x 150 pixels
    for (int a = 301; a <= res::MascotLeap; ++a) {
        for (int b = a + 1; b <= res::MascotLeap; ++b) {
            const qsizetype d = differingPixels(silhouette(bitmap(a, 1), BoardGreen),
                                                silhouette(bitmap(b, 1), BoardGreen));
            QVERIFY2(d >= MinimumDifference,
                     qPrintable(QStringLiteral("poses %1 and %2 differ in only %3 pixels")
                                    .arg(a)
                                    .arg(b)
                                    .arg(d)));
        }
    }
}

void TestResources::programIconIsTheThirtyTwoPixelPictureWithDesktopSizesBeside() {
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
    for (int s : {32, 48, 64, 128, 256}) {
        const QImage image(res::iconResource(s));
        QCOMPARE(image.size(), QSize(s, s));
        QVERIFY(image.hasAlphaChannel());
    }
}

void TestResources::bitmapDecoderRefusesWhatItCannotRead_data() {
    QFile file(res::bitmapResource(202));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    auto patched = [&good](int at, QByteArray bytes) {
        QByteArray copy = good;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::newRow("as embedded") << good << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("header only") << good.left(54) << false;
    QTest::newRow("one byte short") << good.chopped(1) << false;
    QTest::newRow("not a bitmap") << patched(0, "XX") << false;
    QTest::newRow("32 bits per pixel") << patched(28, QByteArray("\x20\x00", 2)) << false;
    QTest::newRow("run-length compressed") << patched(30, QByteArray("\x01\0\0\0", 4)) << false;
    QTest::newRow("no width") << patched(18, QByteArray(4, '\0')) << false;
    QTest::newRow("huge height") << patched(22, QByteArray("\xff\xff\xff\x7f", 4)) << false;
    QTest::newRow("pixels past the end") << patched(10, QByteArray("\xff\xff\0\0", 4)) << false;
    QTest::newRow("top-down rows") << patched(22, QByteArray("\xf0\xff\xff\xff", 4)) << true;
}

void TestResources::bitmapDecoderRefusesWhatItCannotRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    const QImage image = wimbly::res::decodeBmp24(bytes);
    QCOMPARE(!image.isNull(), readable);
    if (readable) {
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 128));
    }
}

void TestResources::cuesArePcmWavesOfTheirCatalogueLength_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<double>("seconds");
    for (const Cue& c : Cues)
        QTest::addRow("%d", c.id) << c.id << c.seconds;
}

void TestResources::cuesArePcmWavesOfTheirCatalogueLength() {
    QFETCH(int, id);
    QFETCH(double, seconds);
    const QByteArray b = resourceBytes(res::cueResource(id));
    QVERIFY(b.size() > 44);
    QCOMPARE(b.left(4), QByteArray("RIFF"));
    QCOMPARE(b.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(le32(b, 4), quint32(b.size() - 8));

    int format = 0, channels = 0, bits = 0, blockAlign = 0;
    quint32 rate = 0, dataSize = 0;
    bool haveData = false;
    for (int at = 12; at + 8 <= b.size();) {
        const QByteArray tag = b.mid(at, 4);
        const quint32 size = le32(b, at + 4);
        QVERIFY(qint64(at) + 8 + size <= b.size());
        if (tag == "fmt ") {
            QVERIFY(size >= 16);
            format = le16(b, at + 8);
            channels = le16(b, at + 10);
            rate = le32(b, at + 12);
            blockAlign = le16(b, at + 20);
            bits = le16(b, at + 22);
        } else if (tag == "data") {
            dataSize = size;
            haveData = true;
        }
        at += 8 + int(size) + int(size & 1);
    }
    QVERIFY(haveData);
    QCOMPARE(format, 1); // PCM
    QVERIFY(channels == 1 || channels == 2);
    QVERIFY(bits == 8 || bits == 16);
    QCOMPARE(blockAlign, channels * bits / 8);
    QVERIFY(rate >= 8000 && rate <= 48000);
    const double length = double(dataSize) / blockAlign / rate;
    QVERIFY2(std::abs(length - seconds) <= 0.05 * seconds,
             qPrintable(QStringLiteral("%1 s instead of %2 s").arg(length).arg(seconds)));
}

// A render from the sources in a process of its own gives the very bytes the build embedded
// from its own run: the output depends on the sources only.
void TestResources::generatorIsDeterministicAndMatchesTheEmbeddedFiles() {
    // Most of a second of rendering: the test run that wants it asks for it.
    if (!qEnvironmentVariableIsSet("WIMBLY_TEST_GENERATOR"))
        QSKIP("run by tst_resources_generator");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess generator;
    generator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A generator built with the sanitizers checks for leaks only where the build asks.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    generator.setProcessEnvironment(env);
    generator.start(QString::fromUtf8(resgenProgram), {QString::fromUtf8(artFolder), out.path()});
    QVERIFY(generator.waitForFinished(120000));
    QCOMPARE(generator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(generator.exitCode(), 0);
    // Every bitmap at 1x, 2x and 4x, every cue, the icon bitmap and five icon sizes: each file
    // the generator writes, and the file the build embedded from its own run.
    QList<std::pair<QString, QString>> files;
    for (const Entry& e : catalogue()) {
        for (int scale : {1, 2, 4})
            files.append({res::bitmapFile(e.id, scale), res::bitmapResource(e.id, scale)});
    }
    for (const Cue& c : Cues)
        files.append({res::cueFile(c.id), res::cueResource(c.id)});
    for (int s : {32, 48, 64, 128, 256})
        files.append({res::iconFile(s), res::iconResource(s)});
    files.append({res::iconBitmapFile(), res::iconBitmapResource()});
    for (const auto& [generated, embedded] : files) {
        const QByteArray bytes = resourceBytes(QDir(out.path()).filePath(generated));
        QVERIFY2(!bytes.isEmpty(), qPrintable(generated));
        QVERIFY2(bytes == resourceBytes(embedded), qPrintable(generated));
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
