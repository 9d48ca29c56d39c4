#pragma once

#include "foundation/QVNameDialogs.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QWidget;

namespace Ui {
class QVSelectFileTypeViewCtl;
}

/// One new-file template as the file-type pop-up needs it. The opener fills these from the
/// stored template list; entries that are not listed (special files, "new file from window")
/// keep their place so indexes stay those of the stored list.
struct QVFileTypeEntry
{
    QString key;
    QString fileType;
    QString ext;
    QIcon menuIcon;
    bool listed = true;
};

/// The accessory of the new-file save panel: a pop-up of the templates, each entry tagged with
/// its index in the template list. The entry whose key is the preset current key is selected
/// (the last such entry); when none matches, the first listed entry is, so the handler always
/// learns a real template while the pop-up holds any. The handler gets the chosen index, or -1
/// when the pop-up is empty.
class QVSelectFileTypeViewCtl final : public QObject
{
    Q_OBJECT

public:
    using SelectHandler = std::function<void(int index)>;

    explicit QVSelectFileTypeViewCtl(QList<QVFileTypeEntry> fileArray, QObject* parent = nullptr);
    ~QVSelectFileTypeViewCtl() override;
    Q_DISABLE_COPY_MOVE(QVSelectFileTypeViewCtl)

    /// Presets, set by the opener before the view is first asked for.
    void setCurrentKey(const QString& key) { m_currentKey = key; }
    void setSelectHandler(SelectHandler handler) { m_selectHandler = std::move(handler); }
    /// Hides the entries' images (the shared switch that hides submenu icons).
    void setHideIcons(bool hide) { m_hideIcons = hide; }

    /// The save panel of "New File From Window" and of a folder that is not there: the templates
    /// in this accessory, the panel limited to the chosen template's extension. Returns once
    /// the panel has closed; the handler runs on OK only.
    static void runNewFilePanel(const QVNameDialogs::NewFilePanel& panel, const QVNameDialogs::NewFileHandler& handler);

    /// Builds the pop-up on first use and tells the handler the initial choice.
    QWidget* view();
    /// The index of the chosen template, -1 for none.
    int currentIndex() const { return m_currentIndex; }
    QString currentKey() const { return m_currentKey; }

    QLabel* tipLabel() const;
    QComboBox* popUpButton() const;

private Q_SLOTS:
    void onSelectItem();

private:
    void selectItem(int index);

    QList<QVFileTypeEntry> m_fileArray;
    std::unique_ptr<QWidget> m_view;
    std::unique_ptr<Ui::QVSelectFileTypeViewCtl> m_ui;
    QString m_currentKey;
    int m_currentIndex = -1;
    bool m_hideIcons = false;
    bool m_loaded = false;
    SelectHandler m_selectHandler;
};
