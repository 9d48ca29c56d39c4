// A stand-in for a file manager window, for the right-click hook's tests and benchmark: a plain
// window whose WM_CLASS names a file manager (or anything else), that shows its "selection" and,
// like Thunar, Nautilus or Dolphin, puts the selected files' addresses on the clipboard for
// Control+C. It writes what reaches it to a log, one line each, so a test can see whether a
// click passed through to it:
//
//     fake_file_manager --class Thunar --geometry 100,100,500,400 --log FILE [--select PATH]...
//
// Log lines: "ready", "press BUTTON X Y" (root coordinates), "copy N" (N files copied). With no
// selection Control+C copies nothing and leaves the clipboard alone, as a file manager does.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWidget>

namespace {

class FakeFileManager final : public QWidget
{
public:
    FakeFileManager(QStringList selection, const QString& logPath)
        : m_selection(std::move(selection))
        , m_log(logPath)
    {
        setFocusPolicy(Qt::StrongFocus);
        if (!logPath.isEmpty()) {
            m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        }
    }
    void log(const QString& line)
    {
        if (m_log.isOpen()) {
            m_log.write((line + QLatin1Char('\n')).toUtf8());
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.drawText(10, 20, QApplication::applicationName() + QStringLiteral(" (stand-in)"));
        int y = 50;
        for (const QString& path : std::as_const(m_selection)) {
            painter.fillRect(QRect(8, y - 15, width() - 16, 20), QColor(0x33, 0x66, 0xcc));
            painter.setPen(Qt::white);
            painter.drawText(14, y, QFileInfo(path).fileName());
            y += 24;
        }
    }
    void showEvent(QShowEvent*) override { log(QStringLiteral("ready")); }
    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint global = event->globalPosition().toPoint();
        log(QStringLiteral("press %1 %2 %3")
                .arg(event->button() == Qt::LeftButton         ? 1
                         : event->button() == Qt::MiddleButton ? 2
                                                               : 3)
                .arg(global.x())
                .arg(global.y()));
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Copy)) {
            if (!m_selection.isEmpty()) {
                QList<QUrl> urls;
                for (const QString& path : std::as_const(m_selection)) {
                    urls << QUrl::fromLocalFile(path);
                }
                auto* mime = new QMimeData;
                mime->setUrls(urls);
                mime->setText(m_selection.join(QLatin1Char('\n')));
                QApplication::clipboard()->setMimeData(mime);
            }
            log(QStringLiteral("copy %1").arg(m_selection.size()));
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    QStringList m_selection;
    QFile m_log;
};

} // namespace

int main(int argc, char** argv)
{
    QString className = QStringLiteral("Thunar");
    QStringList selection;
    QString logPath;
    QRect geometry(100, 100, 500, 400);
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray option(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (option == "--class") {
            className = value;
        } else if (option == "--select") {
            selection << value;
        } else if (option == "--log") {
            logPath = value;
        } else if (option == "--geometry") {
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() == 4) {
                geometry = QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
            }
        }
    }
    // WM_CLASS: the instance from RESOURCE_NAME, the class from the application name.
    qputenv("RESOURCE_NAME", className.toLower().toLocal8Bit());
    QApplication::setApplicationName(className);
    QApplication app(argc, argv);
    FakeFileManager window(selection, logPath);
    window.setWindowTitle(className);
    window.setGeometry(geometry);
    window.show();
    return app.exec();
}
