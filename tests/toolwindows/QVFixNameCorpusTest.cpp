// A corpus of garbled names made here: Chinese, Japanese and Western names in GBK, Big5,
// Shift_JIS and Windows-1252 whose bytes were read as Latin-1, UTF-8 names read in those
// encodings, and percent-encoded names. Every garbled name must have its original among the
// proposals; how many come back as the first proposal is printed.

#include "toolwindows/fixname/QVFixNameParser.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

using Encoding = QVFixNameParser::Encoding;

struct Original
{
    QString name;
    Encoding encoding;
};

const QList<Original> kOriginals = {
    { QStringLiteral("中文文档.txt"), Encoding::GBK },
    { QStringLiteral("会议纪要2024.docx"), Encoding::GBK },
    { QStringLiteral("照片_北京.jpg"), Encoding::GBK },
    { QStringLiteral("新建文件夹"), Encoding::GBK },
    { QStringLiteral("繁體中文.txt"), Encoding::Big5 },
    { QStringLiteral("臺北市地圖.pdf"), Encoding::Big5 },
    { QStringLiteral("日本語のファイル.txt"), Encoding::ShiftJIS },
    { QStringLiteral("カタカナ名前.doc"), Encoding::ShiftJIS },
    { QStringLiteral("東京タワー.jpg"), Encoding::ShiftJIS },
    { QStringLiteral("café résumé.txt"), Encoding::CP1252 },
    { QStringLiteral("Ångström naïve.pdf"), Encoding::CP1252 },
    { QStringLiteral("Œuvre – €100.txt"), Encoding::CP1252 },
};

struct Tally
{
    int total = 0;
    int among = 0;
    int first = 0;
    int notGarbled = 0; ///< the garbling itself was impossible (bytes invalid in the reading)
};

void tryOne(Tally& tally, const QString& original, const std::optional<QString>& garbled)
{
    if (!garbled || *garbled == original) {
        ++tally.notGarbled;
        return;
    }
    ++tally.total;
    const QList<QVFixCandidate> candidates = QVFixNameParser::parseMessyText(*garbled);
    const bool among = std::any_of(candidates.cbegin(), candidates.cend(),
                                   [&](const QVFixCandidate& c) { return c.text == original; });
    tally.among += among ? 1 : 0;
    tally.first += !candidates.isEmpty() && candidates.first().text == original ? 1 : 0;
    EXPECT_TRUE(among) << qPrintable(original) << " <- " << qPrintable(*garbled);
}

void report(const char* what, const Tally& t)
{
    std::cout << what << ": " << t.among << " of " << t.total << " back among the proposals, " << t.first
              << " as the first one";
    if (t.notGarbled > 0) {
        std::cout << " (" << t.notGarbled << " could not be garbled that way)";
    }
    std::cout << '\n';
}

} // namespace

TEST(QVFixNameCorpusTest, GarbledNamesComeBack)
{
    Tally asLatin1;
    Tally utf8AsOther;
    Tally percent;
    for (const Original& o : kOriginals) {
        // The name's bytes in its own encoding, shown as Latin-1.
        tryOne(asLatin1, o.name,
               QVFixNameParser::decode(*QVFixNameParser::encode(o.name, o.encoding), Encoding::Latin1));
        // The name's UTF-8 bytes, read in the encoding of its language.
        tryOne(utf8AsOther, o.name, QVFixNameParser::decode(o.name.toUtf8(), o.encoding));
        // Percent-encoded, from UTF-8 and from its own encoding.
        tryOne(percent, o.name, QString::fromLatin1(o.name.toUtf8().toPercentEncoding()));
        tryOne(percent, o.name, QString::fromLatin1(QVFixNameParser::encode(o.name, o.encoding)->toPercentEncoding()));
    }
    report("bytes of GBK/Big5/Shift_JIS/CP1252 read as Latin-1", asLatin1);
    report("UTF-8 bytes read as GBK/Big5/Shift_JIS/CP1252", utf8AsOther);
    report("percent-encoded (UTF-8 and own encoding)", percent);
    // Western names whose Windows-1252 bytes read the same in Latin-1 are not garbled at all.
    EXPECT_EQ(asLatin1.total + asLatin1.notGarbled, kOriginals.size());
    EXPECT_GE(asLatin1.total, 10);
    EXPECT_GT(utf8AsOther.total, 0);
    EXPECT_EQ(percent.total, 2 * kOriginals.size());
}
