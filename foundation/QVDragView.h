#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

/// A drop target for files and folders dragged from a file manager.
///
/// A drag is accepted (as a copy) when one of its paths is a folder and `onlyFolder` is
/// set, or has a lower-case extension in `fileTypes`; otherwise only when `any` is set.
/// A drop hands the whole dragged list, unfiltered, to the files handler (the receiver
/// filters it), unless the drag started in this very view; it always reports success.
class QVDragView final : public QWidget
{
    Q_OBJECT

public:
    explicit QVDragView(QWidget* parent = nullptr);
    ~QVDragView() override;
    Q_DISABLE_COPY_MOVE(QVDragView)

    void setChooseFilesHandler(std::function<void(const QStringList& paths)> handler)
    {
        m_chooseFilesHandler = std::move(handler);
    }
    void setClickHandler(std::function<void()> handler) { m_clickHandler = std::move(handler); }

    QStringList fileTypes() const { return m_fileTypes; }
    void setFileTypes(const QStringList& types) { m_fileTypes = types; }
    bool onlyFolder() const { return m_onlyFolder; }
    void setOnlyFolder(bool onlyFolder) { m_onlyFolder = onlyFolder; }
    bool any() const { return m_any; }
    void setAny(bool any) { m_any = any; }

    /// Resets the filter: no folders, no file types.
    void disabled();

    /// The answer to a drag of these paths: Qt::CopyAction or Qt::IgnoreAction.
    Qt::DropAction dragOperationForPaths(const QStringList& paths) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void(const QStringList& paths)> m_chooseFilesHandler;
    std::function<void()> m_clickHandler;
    QStringList m_fileTypes;
    bool m_onlyFolder = false;
    bool m_any = false;
};
