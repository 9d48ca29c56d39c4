#pragma once

#include "toolwindows/filehash/QVHashRows.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QTreeWidget;
class QWidget;

namespace Ui {
class QVFileHashWinCtl;
}

/// The "File Info" window: every file it was opened on (folders left out) with the digests the
/// user has ticked, whether all files agree, and a click on a digest copies it.
///
/// Digests are computed on the background queue; each computation builds its rows apart and the
/// main thread shows them at once, so a refresh while another runs never mixes rows, and only
/// the latest refresh is shown. Main thread only.
class QVFileHashWinCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVFileHashWinCtl(QObject* parent = nullptr);
    ~QVFileHashWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVFileHashWinCtl)

    QWidget* window() const { return m_window.get(); }
    const QStringList& paths() const { return m_paths; }
    const QList<QVHashRow>& tableData() const { return m_tableData; }
    /// Plays a sound type of the system (3 when a digest was copied); set by the owner.
    void setSoundPlayer(std::function<void(int type)> player) { m_soundPlayer = std::move(player); }

    /// Opens the window on the URLs' files, in order, and computes their digests.
    void openWithURLs(const QList<QUrl>& urls);
    /// Computes the rows again for the ticked digests.
    void refresh();
    void close();

    QTreeWidget* outlineView() const;
    QLabel* tipLabel() const;
    QCheckBox* checkBox(qv::FileDigestKind kind) const;

Q_SIGNALS:
    /// A computation has been shown.
    void refreshed();
    /// The window was closed.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(const QVHashTable& table);
    void onSelectionChanged();
    void showTip(const QString& text, const QColor& color);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVFileHashWinCtl> m_ui;
    QStringList m_paths;
    QList<QVHashRow> m_tableData;
    quint64 m_generation = 0;
    std::function<void(int type)> m_soundPlayer;
};
