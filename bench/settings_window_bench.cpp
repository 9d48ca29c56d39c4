// Opening the settings window on a factory configuration: a fresh temporary HOME per run, the
// window built (its main menu page writes the factory lists) and shown on its first tab, until the
// window's first paint has been handled. Beside it, in turns, the reference: a bare window of
// eight tabs (a QTabWidget whose pages hold a label each) of the same size, built, shown, raised and
// activated as the settings window shows itself, and painted the same way.
// Run it under Xvfb (or with QT_QPA_PLATFORM=offscreen):
//
//     xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/settings_window_bench [rounds]
//
// Goals: under 300 ms, and at most twice the bare window.

#include "app/settings/QVSettingsWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Sees the first paint of a window.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

template <typename Make> double timeOnce(Make make)
{
    QElapsedTimer timer;
    timer.start();
    PaintWatch watch;
    QWidget* window = make(&watch);
    while (!watch.painted && timer.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    delete window;
    QApplication::processEvents();
    return watch.painted ? ms : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::vector<double> ours;
    std::vector<double> bare;
    // The first round warms the caches (fonts, styles, icons) and is not counted.
    for (int i = 0; i <= rounds; ++i) {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
        const double settings = timeOnce([](PaintWatch* watch) {
            auto* window = new QVSettingsWindow;
            window->installEventFilter(watch);
            window->showTab(QString());
            return window;
        });
        const double reference = timeOnce([](PaintWatch* watch) {
            auto* window = new QWidget;
            auto* layout = new QVBoxLayout(window);
            auto* tabs = new QTabWidget;
            for (int tab = 1; tab <= 8; ++tab) {
                auto* page = new QWidget;
                auto* pageLayout = new QVBoxLayout(page);
                pageLayout->addWidget(new QLabel(QStringLiteral("Page %1").arg(tab)));
                tabs->addTab(page, QStringLiteral("Tab %1").arg(tab));
            }
            layout->addWidget(tabs);
            window->resize(800, 560);
            window->installEventFilter(watch);
            window->show();
            window->raise();
            window->activateWindow();
            return window;
        });
        if (settings < 0 || reference < 0) {
            std::fprintf(stderr, "settings_window_bench: a window was not painted\n");
            return 1;
        }
        if (i > 0) {
            ours.push_back(settings);
            bare.push_back(reference);
        }
    }
    const double m = median(ours);
    const double r = median(bare);
    std::printf("settings window, factory configuration, built and painted: median %7.1f ms (min %.1f)\n", m,
                *std::min_element(ours.begin(), ours.end()));
    std::printf("reference: bare window of eight tabs, built and painted:  median %7.1f ms (min %.1f)\n", r,
                *std::min_element(bare.begin(), bare.end()));
    std::printf("ratio %.2fx over %d rounds (goals: under 300 ms, at most 2x)\n", m / r, rounds);
    return 0;
}
