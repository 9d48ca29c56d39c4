#include "platform/KeyedArchive.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace platform {

namespace {

struct PlistFree
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Plist = std::unique_ptr<void, PlistFree>;

QString stringOf(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING) {
        return QString();
    }
    char* text = nullptr;
    plist_get_string_val(node, &text);
    const QString out = QString::fromUtf8(text);
    std::free(text);
    return out;
}

// The object a UID node points at inside "$objects".
plist_t objectAt(plist_t objects, plist_t uid)
{
    if (!uid || plist_get_node_type(uid) != PLIST_UID) {
        return nullptr;
    }
    uint64_t index = 0;
    plist_get_uid_val(uid, &index);
    return index < plist_array_get_size(objects) ? plist_array_get_item(objects, uint32_t(index)) : nullptr;
}

} // namespace

QByteArray KeyedArchive::archive(const QString& className, const Integers& entries)
{
    plist_t object = plist_new_dict();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        plist_dict_set_item(object, it.key().toUtf8().constData(), plist_new_uint(uint64_t(it.value())));
    }
    plist_dict_set_item(object, "$class", plist_new_uid(2));
    plist_t classes = plist_new_array();
    plist_array_append_item(classes, plist_new_string(className.toUtf8().constData()));
    plist_array_append_item(classes, plist_new_string("NSObject"));
    plist_t klass = plist_new_dict();
    plist_dict_set_item(klass, "$classname", plist_new_string(className.toUtf8().constData()));
    plist_dict_set_item(klass, "$classes", classes);
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_array_append_item(objects, object);
    plist_array_append_item(objects, klass);
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    Plist root(plist_new_dict());
    plist_dict_set_item(root.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(root.get(), "$top", top);
    plist_dict_set_item(root.get(), "$objects", objects);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    const QByteArray out(bytes, qsizetype(length));
    std::free(bytes);
    return out;
}

std::optional<KeyedArchive::Integers> KeyedArchive::unarchive(const QByteArray& data, const QString& className)
{
    if (data.isEmpty() || data.size() > 64 * 1024) {
        return std::nullopt;
    }
    plist_t parsed = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &parsed);
    const Plist root(parsed);
    if (!parsed || plist_get_node_type(parsed) != PLIST_DICT
        || stringOf(plist_dict_get_item(parsed, "$archiver")) != QLatin1String("NSKeyedArchiver")) {
        return std::nullopt;
    }
    plist_t objects = plist_dict_get_item(parsed, "$objects");
    plist_t top = plist_dict_get_item(parsed, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top || plist_get_node_type(top) != PLIST_DICT) {
        return std::nullopt;
    }
    plist_t object = objectAt(objects, plist_dict_get_item(top, "root"));
    if (!object || plist_get_node_type(object) != PLIST_DICT) {
        return std::nullopt;
    }
    plist_t klass = objectAt(objects, plist_dict_get_item(object, "$class"));
    if (!klass || plist_get_node_type(klass) != PLIST_DICT
        || stringOf(plist_dict_get_item(klass, "$classname")) != className) {
        return std::nullopt;
    }
    Integers out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(object, &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(object, it, &key, &value);
        if (!key) {
            break;
        }
        if (value && plist_get_node_type(value) == PLIST_UINT) {
            uint64_t number = 0;
            plist_get_uint_val(value, &number);
            out.insert(QString::fromUtf8(key), qint64(number));
        }
        std::free(key);
    }
    std::free(it);
    return out;
}

} // namespace platform
