#pragma once

#include "app/settings/QVListPage.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QVDragView;
namespace qv {
struct Notification;
}

/// The base of the settings window's list pages. A page edits one stored list (`page()`) and
/// reloads it and its controls (`refresh()`) whenever it is shown and whenever the configuration
/// is replaced ("config change noti").
///
/// A page that takes files dropped on the settings window names its filter and its receiver
/// with takeDrops(): while the page shows, the window's drop target is set up for it; when it
/// hides, the target is reset unless another page has taken it meanwhile.
class QVSettingsPage : public QWidget
{
    Q_OBJECT
public:
    ~QVSettingsPage() override;

    /// Reloads the list and the controls from the stored values.
    virtual void refresh() = 0;
    QVListPage& page() { return m_page; }
    const QVListPage& page() const { return m_page; }

    /// "config change noti": the configuration was replaced.
    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

    /// While one lives, pages made on this thread put off their first reload until they are
    /// first shown, the configuration is replaced or their table is asked for: a settings
    /// window shows one page of many, and each page reloads when shown anyway.
    class DeferFirstLoad
    {
    public:
        DeferFirstLoad();
        ~DeferFirstLoad();
        /// Whether a page made now puts its first reload off.
        static bool active();
        Q_DISABLE_COPY_MOVE(DeferFirstLoad)
    };

protected:
    QVSettingsPage(QString listKey, QVListPage::Builder builder, QWidget* parent);

    /// Ends the page's set-up with its first reload, or puts it off (DeferFirstLoad).
    void firstLoad();
    /// Makes the first reload if it was put off.
    void ensureLoaded() const;

    /// While the page shows, the drop target is reset, then `filter` sets what it accepts; the
    /// dropped paths go to `dropped`.
    void takeDrops(std::function<void(QVDragView& target)> filter, std::function<void(const QStringList&)> dropped);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void claimDropTarget();

    QVListPage m_page;
    std::function<void(QVDragView& target)> m_dropFilter;
    std::function<void(const QStringList&)> m_dropped;
    QPointer<QVDragView> m_dropTarget;
    bool m_loadPending = false;
};
