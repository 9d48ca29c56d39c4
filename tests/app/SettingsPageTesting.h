#pragma once

// What the tests of the settings pages share: the stored lists and switches as the pages write
// them, the pages' widgets found by name, and a drag of files from a file manager.

#include "engine/model/QVMenuManager.h"
#include "platform/Defaults.h"

#include "testsupport/TestEnvironment.h"

#include <QApplication>
#include <QColor>
#include <QDropEvent>
#include <QImage>
#include <QList>
#include <QMimeData>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

namespace tarsel::test {

inline platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

/// The child of that object name; a missing one fails the test.
template <typename T> T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

template <typename T> T* child(QObject& parent, const char* name)
{
    return child<T>(&parent, name);
}

/// The keys of a stored list, in order.
inline QStringList storedKeys(const QString& list = QVMenuManager::kArrayRightMenu)
{
    QStringList keys;
    for (const QVariant& entry : QVMenuManager::storedList(list)) {
        keys << entry.toMap().value(QStringLiteral("key")).toString();
    }
    return keys;
}

/// The stored entry with that key; empty when there is none.
inline QVariantMap storedEntry(const QString& list, const QString& key)
{
    for (const QVariant& entry : QVMenuManager::storedList(list)) {
        if (entry.toMap().value(QStringLiteral("key")).toString() == key) {
            return entry.toMap();
        }
    }
    return {};
}

/// The main menu's stored entry at that index; empty past the end.
inline QVariantMap mainEntry(int index)
{
    const QVariantList list = QVMenuManager::storedList(QVMenuManager::kArrayRightMenu);
    return index < list.size() ? list.at(index).toMap() : QVariantMap();
}

/// A picture of one colour written into the test's home; answers its path.
inline QString writePicture(const QString& name, QSize size, QColor colour = Qt::red)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = inHome(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

/// Drags the paths onto the widget, as a file manager would, and drops them there when the drag
/// is taken. Answers whether it was taken.
inline bool dropPaths(QWidget* target, const QStringList& paths, QPoint at = QPoint(10, 10))
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    mime.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

} // namespace tarsel::test
