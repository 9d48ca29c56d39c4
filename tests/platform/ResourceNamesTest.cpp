// Every localisation key and image name that Tarsel's sources ask for by a literal must be in the
// bundle: a key without an English text shows the raw key ("Please Wait Tip" in the progress
// window, "Authorization Tip" in the folder-access panel), and an image name that is neither
// bundled nor a theme icon draws nothing (the success tick, the password eye button). Nothing
// else catches this, because every lookup answers something.
//
// The scan reads the sources named by TARSEL_SOURCE_DIR; keys and names computed at run time
// (menu entry keys from the stored lists) are not literals and are not checked here.

#include "platform/Bundle.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

#ifndef TARSEL_SOURCE_DIR
#error "TARSEL_SOURCE_DIR must name the source tree"
#endif

using platform::Bundle;

namespace {

const QStringList kLayers { QStringLiteral("platform"), QStringLiteral("foundation"),  QStringLiteral("kit"),
                            QStringLiteral("engine"),   QStringLiteral("toolwindows"), QStringLiteral("extension"),
                            QStringLiteral("host"),     QStringLiteral("app") };

struct Call
{
    QString where; // "file:line"
    QStringList args; // the argument texts, comments removed
};

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past the string or character literal that starts at i.
qsizetype skipLiteral(const QString& text, qsizetype i)
{
    const QChar quote = text.at(i);
    for (++i; i < text.size() && text.at(i) != quote; ++i) {
        if (text.at(i) == QLatin1Char('\\')) {
            ++i;
        }
    }
    return i + 1;
}

// The text with every comment replaced by blanks (line breaks kept), literals untouched.
QString withoutComments(QString text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (c == QLatin1Char('"') || (c == QLatin1Char('\'') && !(i > 0 && text.at(i - 1).isDigit()))) {
            i = skipLiteral(text, i);
        } else if (c == QLatin1Char('/') && (next == QLatin1Char('/') || next == QLatin1Char('*'))) {
            const bool line = next == QLatin1Char('/');
            qsizetype end = line ? text.indexOf(QLatin1Char('\n'), i) : text.indexOf(QLatin1String("*/"), i + 2);
            end = end < 0 ? text.size() : (line ? end : end + 2);
            for (qsizetype k = i; k < end; ++k) {
                if (text.at(k) != QLatin1Char('\n')) {
                    text[k] = QLatin1Char(' ');
                }
            }
            i = end;
        } else {
            ++i;
        }
    }
    return text;
}

// The top-level arguments of the call whose opening parenthesis is at open.
QStringList argumentsAt(const QString& text, qsizetype open)
{
    QStringList args;
    int depth = 0;
    qsizetype start = open + 1;
    for (qsizetype i = open; i < text.size();) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            i = skipLiteral(text, i);
            continue;
        }
        if (c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}')) {
            if (--depth == 0) {
                args << text.mid(start, i - start).trimmed();
                return args;
            }
        } else if (c == QLatin1Char(',') && depth == 1) {
            args << text.mid(start, i - start).trimmed();
            start = i + 1;
        }
        ++i;
    }
    return args;
}

// Every call of one of the functions in Tarsel's own sources.
QList<Call> callsOf(const QStringList& functions)
{
    QList<Call> calls;
    const QString root = QStringLiteral(TARSEL_SOURCE_DIR);
    for (const QString& layer : kLayers) {
        QDirIterator it(root + QLatin1Char('/') + layer, { QStringLiteral("*.cpp"), QStringLiteral("*.h") },
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) {
                ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
                continue;
            }
            const QString text = withoutComments(QString::fromUtf8(file.readAll()));
            for (const QString& function : functions) {
                for (qsizetype at = text.indexOf(function); at >= 0; at = text.indexOf(function, at + 1)) {
                    qsizetype open = at + function.size();
                    while (open < text.size() && text.at(open).isSpace()) {
                        ++open;
                    }
                    if ((at > 0 && isIdentifierChar(text.at(at - 1))) || open >= text.size()
                        || text.at(open) != QLatin1Char('(')) {
                        continue;
                    }
                    const QString where = file.fileName().mid(root.size() + 1) + QLatin1Char(':')
                        + QString::number(text.left(at).count(QLatin1Char('\n')) + 1);
                    calls << Call { where, argumentsAt(text, open) };
                }
            }
        }
    }
    return calls;
}

// The string literals in an argument, unescaped.
QStringList literalsIn(const QString& arg)
{
    QStringList out;
    for (qsizetype i = 0; i < arg.size();) {
        if (arg.at(i) != QLatin1Char('"')) {
            ++i;
            continue;
        }
        const qsizetype end = skipLiteral(arg, i);
        // C++ and ".strings" escapes agree for what keys and names use.
        const QHash<QString, QString> one = Bundle::parseStrings(arg.mid(i, end - i) + QLatin1Char(';'));
        out << one.keys();
        i = end;
    }
    return out;
}

} // namespace

TEST(ResourceNamesTest, EveryLiteralLocalisationKeyHasAnEnglishText)
{
    const QString absent = QStringLiteral("\x01absent");
    QMap<QString, QString> missing; // "table: key" -> where
    QStringList found;
    for (const Call& call : callsOf({ QStringLiteral("localized"), QStringLiteral("localizedString") })) {
        if (call.args.isEmpty()) {
            continue;
        }
        const QStringList tables = call.args.size() > 2 ? literalsIn(call.args.at(2)) : QStringList();
        const QString table = tables.isEmpty() ? QStringLiteral("Localizable") : tables.first();
        for (const QString& key : literalsIn(call.args.first())) {
            found << key;
            if (Bundle::localizedString(key, absent, table) == absent) {
                missing.insert(table + QStringLiteral(": \"") + key + QLatin1Char('"'), call.where);
            }
        }
    }
    // The hot-key kit looks its texts up in its own table.
    for (const Call& call : callsOf({ QStringLiteral("MASLocalizedTextForKey") })) {
        for (const QString& key : call.args.isEmpty() ? QStringList() : literalsIn(call.args.first())) {
            found << key;
            if (Bundle::localizedString(key, absent, QStringLiteral("MASShortcut")) == absent) {
                missing.insert(QStringLiteral("MASShortcut: \"") + key + QLatin1Char('"'), call.where);
            }
        }
    }
    // The scan must see the lookups, or it proves nothing.
    EXPECT_GT(found.size(), 50);
    EXPECT_TRUE(found.contains(QStringLiteral("Please Wait Tip")));
    for (auto it = missing.cbegin(); it != missing.cend(); ++it) {
        ADD_FAILURE() << "no English text for " << it.key().toStdString() << " (asked for in "
                      << it.value().toStdString() << ")";
    }
}

TEST(ResourceNamesTest, EveryLiteralImageNameResolvesToAnImage)
{
    // The image name is the first argument of the bundle's look-ups; a menu entry names its
    // image beside it (setImage(image, name)) or alone (setIcon(name)).
    struct Lookup
    {
        QString function;
        int nameArgument;
        bool andFollowing; // the name may be any argument from nameArgument on
    };
    const QList<Lookup> lookups { { QStringLiteral("imageNamed"), 0, false },
                                  { QStringLiteral("iconNamed"), 0, false },
                                  { QStringLiteral("hasImageNamed"), 0, false },
                                  { QStringLiteral("setIcon"), 0, true },
                                  { QStringLiteral("setImage"), 1, true } };
    QMap<QString, QString> unresolved; // name -> where
    QStringList found;
    for (const Lookup& lookup : lookups) {
        for (const Call& call : callsOf({ lookup.function })) {
            const qsizetype last = lookup.andFollowing ? call.args.size() - 1 : lookup.nameArgument;
            for (qsizetype a = lookup.nameArgument; a <= last && a < call.args.size(); ++a) {
                for (const QString& name : literalsIn(call.args.at(a))) {
                    found << name;
                    if (Bundle::imageNamed(name).isNull()) {
                        unresolved.insert(name, call.where);
                    }
                }
            }
        }
    }
    EXPECT_GT(found.size(), 10);
    EXPECT_TRUE(found.contains(QStringLiteral("success")));
    for (auto it = unresolved.cbegin(); it != unresolved.cend(); ++it) {
        ADD_FAILURE() << "image \"" << it.key().toStdString() << "\" draws nothing (asked for in "
                      << it.value().toStdString() << ")";
    }
}
