#pragma once

#include "toolwindows/fixname/QVFixNameParser.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QPushButton;
class QTableWidget;
class QVDragView;
class QWidget;

namespace Ui {
class QVFixNameWinCtl;
}

/// One row of the garbled-name window: a file, its proposed names and the one chosen (the
/// first when there is any, -1 for none). The file is known by the bytes of its path; path is
/// their text, for showing (a name that is not UTF-8 shows replacement characters there).
struct QVFixInfo
{
    QString path;
    QByteArray bytes;
    QList<QVFixCandidate> fixDictArray;
    qsizetype curDict = -1;
};

/// The "Fixing Garbled Names" window: one row per file it was given (by the engine, a drop or
/// the add-files panel; each path once), a pop-up of proposed names per row, and "One-click
/// Recover", which renames every row to its chosen name.
///
/// A name whose bytes are not UTF-8 gets the readings of its bytes as proposals; the rename
/// works on the bytes of the old name, and the new name is written in UTF-8. Each file is
/// renamed in its own folder, after access to that folder was granted, and never onto a name
/// that is taken there (the rename refuses instead of replacing). Main thread only.
class QVFixNameWinCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVFixNameWinCtl(QObject* parent = nullptr);
    ~QVFixNameWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVFixNameWinCtl)

    QWidget* window() const;
    const QList<QVFixInfo>& tableData() const { return m_tableData; }
    /// Runs after a successful rename.
    void setSureBlock(std::function<void()> block) { m_sureBlock = std::move(block); }
    /// Plays a sound type of the system (4 refused, 5 done); set by the owner.
    void setSoundPlayer(std::function<void(int type)> player) { m_soundPlayer = std::move(player); }

    /// Opens the window and adds a row for each URL whose path has none yet.
    void openWithURLs(const QList<QUrl>& urls);
    void onAddFiles();
    void onDelete();
    void onClear();
    /// Renames every row that has a chosen name. A row that could not be renamed (its folder's
    /// access refused, its name taken, the file gone, a protected folder) keeps its place and
    /// choice, and the window stays open with an alert naming each such file and why (error
    /// sound); otherwise the rows go, the window closes and the sure block runs.
    void onSure();
    void close();

    QTableWidget* tableView() const;
    QPushButton* deleteBtn() const;
    QPushButton* clearBtn() const;
    QPushButton* okBtn() const;
    QPushButton* addBtn() const;

Q_SIGNALS:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadData();
    void onSelectionChanged();
    void play(int type) const;

    std::unique_ptr<QVDragView> m_window;
    std::unique_ptr<Ui::QVFixNameWinCtl> m_ui;
    QList<QVFixInfo> m_tableData;
    qsizetype m_selectRow = -1;
    std::function<void()> m_sureBlock;
    std::function<void(int type)> m_soundPlayer;
};
