// Layout engine timings: a 30 × 30 grid of labels with equal widths and fixed spacing
// (900 views, about 3,600 constraints of our own plus the engine's natural-size and
// current-size ones), and a heads-up-sized panel of about 20 constraints.

#include "kit/layout/ViewMASAdditions.h"
#include "platform/layout/LayoutEngine.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <vector>

using platform::layout::LayoutEngine;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void buildGrid(QWidget* root, int rows, int columns)
{
    std::vector<QLabel*> labels;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            labels.push_back(new QLabel(QStringLiteral("Label %1.%2").arg(r).arg(c), root));
        }
    }
    auto at = [&](int r, int c) { return labels[size_t(r * columns + c)]; };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            mas_makeConstraints(at(r, c), [&](MASConstraintMaker* make) {
                if (c == 0) {
                    make->left()->equalTo(root)->offset(8);
                } else {
                    make->left()->equalTo(mas_right(at(r, c - 1)))->offset(8);
                    make->width()->equalTo(at(r, 0));
                }
                if (c == columns - 1) {
                    make->right()->equalTo(root)->offset(-8);
                }
                if (r == 0) {
                    make->top()->equalTo(root)->offset(4);
                } else {
                    make->top()->equalTo(mas_bottom(at(r - 1, c)))->offset(4);
                    make->height()->equalTo(at(0, c));
                }
            });
        }
    }
}

// The heads-up panel: overlay over the host, a centred panel, spinner, label and image.
struct Panel
{
    QWidget* overlay;
    QWidget* panel;
    QLabel* label;
};

Panel buildPanel(QWidget* host)
{
    auto* overlay = new QWidget(host);
    auto* panel = new QWidget(overlay);
    auto* spinner = new QWidget(panel);
    auto* label = new QLabel(QStringLiteral("Copied 12 items"), panel);
    auto* image = new QLabel(panel);
    mas_makeConstraints(overlay, [&](MASConstraintMaker* make) { make->edges()->equalTo(host); });
    mas_makeConstraints(panel, [&](MASConstraintMaker* make) {
        make->center()->equalTo(overlay);
        make->width()->greaterThanOrEqualTo(100);
        make->height()->greaterThanOrEqualTo(100);
    });
    mas_makeConstraints(spinner, [&](MASConstraintMaker* make) {
        make->center()->equalTo(panel);
        make->size()->equalTo(QSizeF(25, 25));
    });
    mas_makeConstraints(label, [&](MASConstraintMaker* make) {
        make->height()->equalTo(32);
        make->left()->equalTo(panel)->offset(10);
        make->width()->equalTo(panel)->offset(-20);
        make->centerX()->equalTo(panel);
        make->top()->equalTo(mas_bottom(image))->offset(10);
    });
    mas_makeConstraints(image, [&](MASConstraintMaker* make) {
        make->centerX()->equalTo(panel);
        make->top()->equalTo(panel)->offset(20);
        make->size()->equalTo(QSizeF(35, 35));
    });
    return { overlay, panel, label };
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    {
        QWidget root;
        root.resize(3000, 900);
        auto start = Clock::now();
        buildGrid(&root, qEnvironmentVariableIntValue("GRID") ? qEnvironmentVariableIntValue("GRID") : 30,
                  qEnvironmentVariableIntValue("GRID") ? qEnvironmentVariableIntValue("GRID") : 30);
        const double build = millisecondsSince(start);
        start = Clock::now();
        LayoutEngine::layoutIfNeeded();
        const double pass = millisecondsSince(start);
        root.resize(2400, 1000);
        start = Clock::now();
        LayoutEngine::layoutIfNeeded();
        const double resize = millisecondsSince(start);
        start = Clock::now();
        LayoutEngine::layoutIfNeeded();
        const double idle = millisecondsSince(start);
        std::printf("grid 30x30 labels: build and solve %.1f ms, first pass %.1f ms, superview resize %.1f ms, "
                    "pass with nothing changed %.2f ms\n",
                    build, pass, resize, idle);
        const auto* corner = root.findChildren<QLabel*>().constLast();
        std::printf("  last label frame %d,%d %dx%d\n", corner->x(), corner->y(), corner->width(), corner->height());
    }

    constexpr int runs = 200;
    QWidget host;
    host.resize(800, 600);
    double total = 0;
    double edits = 0;
    int constraints = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        const Panel p = buildPanel(&host);
        LayoutEngine::layoutIfNeeded();
        total += millisecondsSince(start);
        constraints = 0;
        for (QWidget* w : host.findChildren<QWidget*>()) {
            constraints += int(LayoutEngine::constraints(w).size());
        }
        start = Clock::now();
        mas_updateConstraints(p.panel, [](MASConstraintMaker* make) { make->width()->greaterThanOrEqualTo(220); });
        LayoutEngine::layoutIfNeeded();
        edits += millisecondsSince(start);
        delete p.overlay;
    }
    std::printf("heads-up panel (%d constraints): build and solve %.3f ms, width edit and re-solve %.3f ms "
                "(mean of %d)\n",
                constraints, total / runs, edits / runs, runs);
    return 0;
}
