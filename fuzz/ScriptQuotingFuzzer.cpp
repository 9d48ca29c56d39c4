// Feeds arbitrary user scripts with values in them to the reader that decides where a script's
// placeholders land, and writes the value there as the expander does. The input is the value,
// a NUL byte, then the script, in which each byte 0x01 marks a place for the value.
//
// Besides never crashing, what it accepts must hold the value: a small reader of bash's quoting
// of its own (quotes, backslashes, $'...', comments; it stops checking at anything else) reads
// each written value back to exactly the value, meets no unquoted character that bash would
// expand or split on inside it, and is in the same quoting after the value as before it. The
// placeholder reader itself, run again over the written script, must see the same quoting after
// each value as it gave for the value's place.

#include "engine/service/scripts/QVScriptQuoting.h"

#include <cstddef>
#include <cstdint>

namespace {

using Context = QVScriptQuoting::Context;

QString singleQuoted(const QString& v)
{
    QString inner = v;
    inner.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString dollarQuoted(const QString& v)
{
    QString out = QStringLiteral("$'");
    for (const QChar c : v) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\'')) {
            out += QLatin1Char('\\') + c;
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            out += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out + QLatin1Char('\'');
}

bool isInert(QChar c)
{
    return c.unicode() >= 0x80 || (c.unicode() < 0x80 && c.isLetterOrNumber())
        || QStringView(u"_-./+,:=@%").contains(c);
}

// Every special character escaped with a backslash; a control character needs $'...'.
QString backslashed(const QString& v)
{
    QString out;
    for (const QChar c : v) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            return dollarQuoted(v);
        }
        if (!isInert(c)) {
            out += QLatin1Char('\\');
        }
        out += c;
    }
    return out;
}

QString wordFor(const QString& value, const QVScriptQuoting::Place& place, int style)
{
    if (value.isEmpty()) {
        return place.context == Context::Bare ? QStringLiteral("''") : QString();
    }
    if (place.context == Context::Comment) {
        return dollarQuoted(value);
    }
    if (place.quoteWhole || style == 0) {
        return singleQuoted(value);
    }
    return style == 1 ? dollarQuoted(value) : backslashed(value);
}

[[noreturn]] void fail()
{
    __builtin_trap();
}

// A reader of quotes only. It follows bare text, '...', "...", $'...' and comments, and gives up
// (lost) at anything that opens other syntax.
class QuoteReader
{
public:
    explicit QuoteReader(const QString& text)
        : m_text(text)
    {
    }

    bool lost() const { return m_lost; }
    Context context() const { return m_context; }

    // Reads up to (not including) position end, outside any value.
    void skipTo(qsizetype end)
    {
        while (m_i < end && !m_lost) {
            outside();
        }
    }

    // Reads the written value up to end and answers the bytes bash makes of it.
    QString value(qsizetype end)
    {
        QString out;
        while (m_i < end) {
            inside(out);
        }
        if (m_i != end) {
            fail(); // an escape or quote reached past the value
        }
        return out;
    }

private:
    QChar at(qsizetype i) const { return i < m_text.size() ? m_text.at(i) : QChar(); }

    void outside()
    {
        const QChar c = at(m_i);
        const QChar next = at(m_i + 1);
        switch (m_context) {
        case Context::Bare:
            if (c == QLatin1Char('\\')) {
                m_i += 2;
                m_wordStart = false;
                return;
            }
            if (c == QLatin1Char('`') || (c == QLatin1Char('$') && QStringView(u"({[").contains(next))
                || (c == QLatin1Char('<') && (next == QLatin1Char('<') || next == QLatin1Char('(')))
                || (c == QLatin1Char('>') && next == QLatin1Char('(')) || c == QLatin1Char('(') || c == QLatin1Char('[')
                || c == QLatin1Char('{') || c == QLatin1Char('~')) {
                m_lost = true; // other syntax, or words bash reads by rules of their own
                return;
            }
            if (c == QLatin1Char('$') && (next == QLatin1Char('\'') || next == QLatin1Char('"'))) {
                m_context = next == QLatin1Char('"') ? Context::DoubleQuotes : Context::DollarQuotes;
                m_i += 2;
            } else if (c == QLatin1Char('\'')) {
                m_context = Context::SingleQuotes;
                ++m_i;
            } else if (c == QLatin1Char('"')) {
                m_context = Context::DoubleQuotes;
                ++m_i;
            } else if (c == QLatin1Char('#') && m_wordStart) {
                m_context = Context::Comment;
                ++m_i;
            } else {
                m_wordStart = QStringView(u" \t\n;&|()<>").contains(c);
                ++m_i;
                return;
            }
            m_wordStart = false;
            return;
        case Context::SingleQuotes:
            m_context = c == QLatin1Char('\'') ? Context::Bare : m_context;
            ++m_i;
            return;
        case Context::DollarQuotes:
            if (c == QLatin1Char('\\')) {
                m_i += 2;
                return;
            }
            m_context = c == QLatin1Char('\'') ? Context::Bare : m_context;
            ++m_i;
            return;
        case Context::DoubleQuotes:
            if (c == QLatin1Char('`') || c == QLatin1Char('$')) {
                m_lost = true;
                return;
            }
            m_i += c == QLatin1Char('\\') ? 2 : 1;
            m_context = c == QLatin1Char('"') ? Context::Bare : m_context;
            return;
        case Context::Comment:
            if (c == QLatin1Char('\n')) {
                m_context = Context::Bare;
                m_wordStart = true;
            }
            ++m_i;
            return;
        }
    }

    void inside(QString& out)
    {
        const QChar c = at(m_i);
        const QChar next = at(m_i + 1);
        switch (m_context) {
        case Context::Bare:
            if (c == QLatin1Char('\\')) {
                if (next.isNull() || next == QLatin1Char('\n')) {
                    fail();
                }
                out += next;
                m_i += 2;
            } else if (c == QLatin1Char('\'')) {
                m_context = Context::SingleQuotes;
                ++m_i;
            } else if (c == QLatin1Char('"')) {
                m_context = Context::DoubleQuotes;
                ++m_i;
            } else if (c == QLatin1Char('$') && next == QLatin1Char('\'')) {
                m_context = Context::DollarQuotes;
                m_i += 2;
            } else if (isInert(c)) {
                out += c;
                ++m_i;
            } else {
                fail(); // bash would split, expand or run at this character
            }
            m_wordStart = false;
            return;
        case Context::SingleQuotes:
            if (c == QLatin1Char('\'')) {
                m_context = Context::Bare;
            } else {
                out += c;
            }
            ++m_i;
            return;
        case Context::DoubleQuotes:
            if (c == QLatin1Char('$') || c == QLatin1Char('`')) {
                fail();
            }
            if (c == QLatin1Char('"')) {
                m_context = Context::Bare;
            } else if (c == QLatin1Char('\\') && QStringView(u"$`\"\\").contains(next) && !next.isNull()) {
                out += next;
                ++m_i;
            } else if (c == QLatin1Char('\\') && next == QLatin1Char('\n')) {
                ++m_i;
            } else {
                out += c;
            }
            ++m_i;
            return;
        case Context::DollarQuotes:
            if (c == QLatin1Char('\'')) {
                m_context = Context::Bare;
                ++m_i;
            } else if (c == QLatin1Char('\\') && (next == QLatin1Char('\\') || next == QLatin1Char('\''))) {
                out += next;
                m_i += 2;
            } else if (c == QLatin1Char('\\')) {
                // Only three-digit octal escapes are written.
                const QString digits = m_text.mid(m_i + 1, 3);
                bool ok = digits.size() == 3;
                const uint code = digits.toUInt(&ok, 8);
                if (!ok) {
                    fail();
                }
                out += QChar(code);
                m_i += 4;
            } else {
                out += c;
                ++m_i;
            }
            return;
        case Context::Comment:
            if (c == QLatin1Char('\n')) {
                fail();
            }
            ++m_i;
            return;
        }
    }

    const QString& m_text;
    qsizetype m_i = 0;
    Context m_context = Context::Bare;
    bool m_wordStart = true;
    bool m_lost = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nul = input.indexOf('\0');
    if (nul < 0 || nul > 64 || input.size() - nul > 2048) {
        return 0;
    }
    const QString value = QString::fromUtf8(input.left(nul));
    QString text;
    QList<qsizetype> at;
    for (const QChar c : QString::fromUtf8(input.mid(nul + 1))) {
        if (c == QChar(1)) {
            at << text.size();
        } else {
            text += c;
        }
    }
    const QList<QVScriptQuoting::Place> places = QVScriptQuoting::read(text, at);
    if (places.size() != at.size()) {
        fail();
    }
    for (const QVScriptQuoting::Place& place : places) {
        if (!place.refusal.isEmpty()) {
            return 0; // the expander refuses the whole script
        }
    }

    // The script with the value written at each place, and where each written value lies.
    QString written;
    QList<std::pair<qsizetype, qsizetype>> spans;
    qsizetype from = 0;
    for (qsizetype k = 0; k < at.size(); ++k) {
        written += QStringView(text).sliced(from, at.at(k) - from);
        from = at.at(k);
        const QString w
            = QVScriptQuoting::write(places.at(k).context, wordFor(value, places.at(k), static_cast<int>(k % 3)));
        spans.append({ written.size(), written.size() + w.size() });
        written += w;
    }
    written += QStringView(text).sliced(from);

    QuoteReader quotes(written);
    QList<qsizetype> ends;
    for (qsizetype k = 0; k < spans.size(); ++k) {
        ends << spans.at(k).second;
        quotes.skipTo(spans.at(k).first);
        if (quotes.lost() || quotes.context() != places.at(k).context) {
            continue; // the small reader cannot follow this script here
        }
        const Context before = quotes.context();
        const QString seen = quotes.value(spans.at(k).second);
        if (quotes.context() != before || (before != Context::Comment && seen != value)) {
            fail();
        }
    }

    const QList<QVScriptQuoting::Place> again = QVScriptQuoting::read(written, ends);
    for (qsizetype k = 0; k < again.size(); ++k) {
        if (again.at(k).context != places.at(k).context) {
            fail();
        }
    }
    return 0;
}
