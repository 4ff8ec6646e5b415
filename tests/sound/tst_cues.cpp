#include "catalogue.h"
#include "synth.h"
#include "wave.h"
#include "wavewriter.h"

#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace wimbly::sound;

class TestCues : public QObject {
    Q_OBJECT

private slots:
    void everyCueIsMono16BitPcmOfItsLength_data();
    void everyCueIsMono16BitPcmOfItsLength();
    void everyCuePeaksBelowMinusOneDbfsAndStartsAndEndsInSilence_data();
    void everyCuePeaksBelowMinusOneDbfsAndStartsAndEndsInSilence();
    void cuesAreEquallyLoud();
    void idsOutsideTheCatalogueGiveNothing();

    void parserRejectsMalformedImages_data();
    void parserRejectsMalformedImages();
    void parserRejectsEveryTruncationAndGarbage();
    void parserSkipsOtherChunksAndTrailingBytes();
};

namespace {

// The samples of a 16-bit PCM image as values in [-1, 1), channels interleaved.
std::vector<double> samplesOf(const QByteArray& image, const WaveInfo& info) {
    std::vector<double> out;
    for (qsizetype at = info.dataOffset; at + 1 < info.dataOffset + info.dataSize; at += 2)
        out.push_back(qFromLittleEndian<qint16>(image.constData() + at) / 32768.0);
    return out;
}

double decibels(double amplitude) {
    return 20.0 * std::log10(amplitude);
}

double rmsOf(const std::vector<double>& samples) {
    double energy = 0.0;
    for (double s : samples)
        energy += s * s;
    return std::sqrt(energy / double(samples.size()));
}

void addCueRows() {
    QTest::addColumn<int>("id");
    QTest::addColumn<double>("seconds");
    for (const wimbly::res::CueLength& cue : wimbly::res::Cues)
        QTest::addRow("%d", cue.id) << cue.id << cue.seconds;
}

QByteArray header(const char* riffSize, quint16 tag, quint16 channels, quint32 rate,
                  quint16 blockAlign, quint16 bits, quint32 dataSize) {
    QByteArray image("RIFF");
    image += QByteArray(riffSize, 4);
    image += "WAVEfmt ";
    auto put = [&image](auto value) {
        char bytes[sizeof(value)];
        qToLittleEndian(value, bytes);
        image.append(bytes, sizeof(value));
    };
    put(quint32(16));
    put(tag);
    put(channels);
    put(rate);
    put(rate * blockAlign);
    put(blockAlign);
    put(bits);
    image += "data";
    put(dataSize);
    return image;
}

// A valid 16-bit mono image of `frames` frames with its RIFF size filled in.
QByteArray validImage(int frames) {
    std::vector<qint16> samples(std::size_t(frames), 1000);
    return makeWave(samples, 1, 22050);
}

} // namespace

void TestCues::everyCueIsMono16BitPcmOfItsLength_data() {
    addCueRows();
}

void TestCues::everyCueIsMono16BitPcmOfItsLength() {
    QFETCH(int, id);
    QFETCH(double, seconds);
    const QByteArray image = synthesizeCue(id);
    const auto info = parseWave(image);
    QVERIFY(info);
    QCOMPARE(info->encoding, WaveInfo::Encoding::Integer);
    QCOMPARE(info->bitsPerSample, 16);
    QCOMPARE(info->channels, 1);
    QCOMPARE(info->sampleRate, 22050);
    QCOMPARE(info->dataOffset + info->dataSize, image.size());
    QVERIFY2(std::abs(info->seconds() - seconds) <= 0.05 * seconds,
             qPrintable(QString::number(info->seconds())));
}

void TestCues::everyCuePeaksBelowMinusOneDbfsAndStartsAndEndsInSilence_data() {
    addCueRows();
}

void TestCues::everyCuePeaksBelowMinusOneDbfsAndStartsAndEndsInSilence() {
    QFETCH(int, id);
    const QByteArray image = synthesizeCue(id);
    const auto samples = samplesOf(image, *parseWave(image));
    double peak = 0.0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    QVERIFY2(decibels(peak) <= -1.0, qPrintable(QString::number(decibels(peak))));
    QVERIFY(peak > 0.1); // it is not silent

    // No step at the ends: the first and last samples are near zero, and the level rises and
    // falls over a few milliseconds rather than jumping (a jump of more than 10% of full scale
    // between neighbouring samples near an edge would click).
    QVERIFY(std::abs(samples.front()) < 0.002);
    QVERIFY(std::abs(samples.back()) < 0.002);
    const std::size_t edge = 22050 / 1000; // 1 ms
    for (std::size_t i = 1; i < edge; ++i) {
        QVERIFY2(std::abs(samples[i]) < 0.1, qPrintable(QStringLiteral("start %1").arg(i)));
        QVERIFY2(std::abs(samples[samples.size() - 1 - i]) < 0.1,
                 qPrintable(QStringLiteral("end %1").arg(i)));
    }
}

void TestCues::cuesAreEquallyLoud() {
    double quietest = 0.0;
    double loudest = -200.0;
    for (const wimbly::res::CueLength& cue : wimbly::res::Cues) {
        const int id = cue.id;
        const QByteArray image = synthesizeCue(id);
        const auto samples = samplesOf(image, *parseWave(image));
        const double level = decibels(rmsOf(samples));
        qInfo("cue %d: RMS %.1f dBFS", id, level);
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    QVERIFY2(loudest - quietest <= 3.0, qPrintable(QString::number(loudest - quietest)));
}

void TestCues::idsOutsideTheCatalogueGiveNothing() {
    for (int id : {-1, 0, 100, 106, 200, 901})
        QVERIFY(synthesizeCue(id).isEmpty());
}

void TestCues::parserRejectsMalformedImages_data() {
    QTest::addColumn<QByteArray>("image");
    const char* riff = "\x64\x00\x00\x00"; // 100: more than these headers hold
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("RIFF only") << QByteArray("RIFF");
    QTest::newRow("not RIFF") << validImage(10).replace(0, 4, "RIFX");
    QTest::newRow("not WAVE") << validImage(10).replace(8, 4, "AVI ");
    QTest::newRow("RIFF size beyond the end")
        << header(riff, 1, 1, 22050, 2, 16, 0) + QByteArray(10, '\0');
    QTest::newRow("data beyond the end") << validImage(10).chopped(2);
    QTest::newRow("no data chunk") << validImage(10).left(36).replace(4, 4, "\x1c\0\0\0", 4);
    QTest::newRow("compressed (ADPCM)") << header("\x24\0\0\0", 2, 2, 22050, 1024, 4, 0);
    QTest::newRow("no channels") << header("\x24\0\0\0", 1, 0, 22050, 2, 16, 0);
    QTest::newRow("block size wrong") << header("\x24\0\0\0", 1, 2, 22050, 2, 16, 0);
    QTest::newRow("12-bit samples") << header("\x24\0\0\0", 1, 1, 22050, 2, 12, 0);
    QTest::newRow("rate zero") << header("\x24\0\0\0", 1, 1, 0, 2, 16, 0);
    QTest::newRow("rate absurd") << header("\x24\0\0\0", 1, 1, 0xffffffffu, 2, 16, 0);
    QByteArray dataFirst = validImage(4);
    dataFirst = dataFirst.left(12) + dataFirst.mid(36) + dataFirst.mid(12, 24);
    QTest::newRow("data before fmt") << dataFirst;
    QTest::newRow("fmt chunk too short")
        << validImage(4).replace(16, 4, "\x0e\0\0\0", 4).remove(34, 2);
    QTest::newRow("chunk size near 4 GiB") << validImage(4).replace(40, 4, "\xf0\xff\xff\xff", 4);
}

void TestCues::parserRejectsMalformedImages() {
    QFETCH(QByteArray, image);
    QVERIFY(!parseWave(image));
}

void TestCues::parserRejectsEveryTruncationAndGarbage() {
    const QByteArray image = validImage(8);
    QVERIFY(parseWave(image));
    for (qsizetype length = 0; length < image.size(); ++length)
        QVERIFY2(!parseWave(image.left(length)), qPrintable(QString::number(length)));

    // Random bytes behind a plausible start, and random changes to a valid header: whatever
    // the parser accepts must lie inside the image.
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = round % 2 ? image : QByteArray("RIFF") + QByteArray(60, '\0');
        for (int change = 0; change < 4; ++change)
            bytes[qsizetype(random() % std::size_t(bytes.size()))] = char(random());
        if (const auto info = parseWave(bytes)) {
            QVERIFY(info->dataOffset >= 0 && info->dataSize >= 0);
            QVERIFY(info->dataOffset + info->dataSize <= bytes.size());
            QVERIFY(info->bytesPerFrame() > 0 && info->dataSize % info->bytesPerFrame() == 0);
        }
    }
}

void TestCues::parserSkipsOtherChunksAndTrailingBytes() {
    // A 3-byte "LIST" chunk, padded to 4, between "fmt " and "data", and bytes after the RIFF.
    QByteArray image = validImage(5);
    image.insert(36, QByteArray("LIST\x03\0\0\0abc\0", 12));
    const quint32 riffSize = qFromLittleEndian<quint32>(image.constData() + 4) + 12;
    qToLittleEndian(riffSize, image.data() + 4);
    image += "trailing";
    const auto info = parseWave(image);
    QVERIFY(info);
    QCOMPARE(info->dataOffset, 56);
    QCOMPARE(info->dataSize, 10);
    QCOMPARE(info->frames(), 5);
}

QTEST_APPLESS_MAIN(TestCues)
#include "tst_cues.moc"
