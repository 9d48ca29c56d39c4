#include "platform/X11Selection.h"

#include "platform/Posix.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdlib>
#include <vector>

#include <poll.h>

#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcSelection, "tarsel.platform.x11.selection", QtWarningMsg)

namespace platform {

namespace {

// The connection and the unmapped window the answers are delivered to, made on first use and
// dropped after a failure or a time-out (a late answer then goes nowhere).
struct Reader
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    QMap<QByteArray, xcb_atom_t> atoms;

    ~Reader() { reset(); }
    void reset()
    {
        if (connection) {
            xcb_disconnect(connection);
        }
        connection = nullptr;
        window = 0;
        atoms.clear();
    }
    bool open()
    {
        if (connection) {
            return true;
        }
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            return false;
        }
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection)) {
            reset();
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
            xcb_screen_next(&it);
        }
        window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, it.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        return true;
    }
    // The atoms of the names, asked for together: one round trip for all that are not known.
    std::vector<xcb_atom_t> intern(const QList<QByteArray>& names)
    {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const QByteArray& name : names) {
            cookies.push_back(atoms.contains(name)
                                  ? xcb_intern_atom_cookie_t {}
                                  : xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()));
        }
        std::vector<xcb_atom_t> result;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (!atoms.contains(names[i])) {
                xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[size_t(i)], nullptr);
                atoms.insert(names[i], reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
                std::free(reply);
            }
            result.push_back(atoms.value(names[i]));
        }
        return result;
    }
};

Reader& reader()
{
    static Reader instance;
    return instance;
}

QByteArray targetFor(const QString& type)
{
    return type == QLatin1String("text/plain") ? QByteArrayLiteral("UTF8_STRING") : type.toLatin1();
}

// Asks the clipboard's owner for every type at once, each into a property of its own. The atoms:
// CLIPBOARD, INCR, then for each type its target and its property.
std::vector<xcb_atom_t> askForAll(Reader& r, const QStringList& types)
{
    QList<QByteArray> names = { QByteArrayLiteral("CLIPBOARD"), QByteArrayLiteral("INCR") };
    for (qsizetype i = 0; i < types.size(); ++i) {
        names << targetFor(types[i]) << QByteArrayLiteral("TARSEL_SELECTION_") + QByteArray::number(i);
    }
    const std::vector<xcb_atom_t> atoms = r.intern(names);
    for (qsizetype i = 0; i < types.size(); ++i) {
        xcb_convert_selection(r.connection, r.window, atoms[0], atoms[size_t(2 + 2 * i)], atoms[size_t(3 + 2 * i)],
                              XCB_CURRENT_TIME);
    }
    xcb_flush(r.connection);
    return atoms;
}

// The connection's next event, waiting for it until the time is up. Null with the outcome when
// the connection broke or the owner did not answer in time.
xcb_generic_event_t* waitForEvent(xcb_connection_t* c, const QElapsedTimer& clock, int timeoutMs,
                                  X11Selection::Outcome* outcome)
{
    pollfd fd { xcb_get_file_descriptor(c), POLLIN, 0 };
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            return event;
        }
        if (xcb_connection_has_error(c)) {
            *outcome = X11Selection::Outcome::NotHere;
            return nullptr;
        }
        const qint64 remaining = timeoutMs - clock.elapsed();
        if (remaining <= 0) {
            qCDebug(lcSelection) << "the clipboard's owner did not answer in time";
            *outcome = X11Selection::Outcome::NoAnswer;
            return nullptr;
        }
        if (posix::retryOnInterrupt([&] { return ::poll(&fd, 1, int(remaining)); }) < 0) {
            *outcome = X11Selection::Outcome::NotHere;
            return nullptr;
        }
    }
}

// The bytes the owner put into a property of our window. False when they cannot be read, come
// in parts (INCR) or are more than we read.
bool takeProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t incr, QByteArray* bytes)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, X11Selection::kMaxBytes / 4),
        nullptr);
    if (!reply || reply->type == incr || reply->bytes_after > 0) {
        std::free(reply);
        return false;
    }
    *bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
    return true;
}

} // namespace

X11Selection::Outcome X11Selection::readClipboard(const QStringList& types, Formats* formats, int timeoutMs)
{
    formats->clear();
    Reader& r = reader();
    if (types.isEmpty() || !r.open()) {
        return Outcome::NotHere;
    }
    xcb_connection_t* c = r.connection;
    const std::vector<xcb_atom_t> atoms = askForAll(r, types);
    const xcb_atom_t clipboard = atoms[0];
    const xcb_atom_t incr = atoms[1];
    const qsizetype count = types.size();
    std::vector<bool> answered(size_t(count), false);
    auto fail = [&](Outcome outcome) {
        formats->clear();
        r.reset();
        return outcome;
    };
    QElapsedTimer clock;
    clock.start();
    qsizetype left = count;
    while (left > 0) {
        Outcome failure = Outcome::NotHere;
        xcb_generic_event_t* event = waitForEvent(c, clock, timeoutMs, &failure);
        if (!event) {
            return fail(failure);
        }
        const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const auto answer = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
        std::free(event);
        if (!notify || answer.requestor != r.window || answer.selection != clipboard) {
            continue;
        }
        // The one type not answered yet that this answer is for, if any.
        qsizetype i = 0;
        while (i < count && (answered[size_t(i)] || answer.target != atoms[size_t(2 + 2 * i)])) {
            ++i;
        }
        if (i == count) {
            continue;
        }
        answered[size_t(i)] = true;
        --left;
        QByteArray bytes;
        // No property: the owner has not got this type.
        if (answer.property != XCB_ATOM_NONE) {
            if (!takeProperty(c, r.window, answer.property, incr, &bytes)) {
                return fail(Outcome::NotHere);
            }
            formats->insert(types[i], bytes);
        }
    }
    return Outcome::Read;
}

} // namespace platform
