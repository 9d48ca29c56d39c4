#pragma once

// The library headers nearly every test file reads, compiled once per test binary and put in
// front of each of its files in a clang build (tarsel_add_test_binary): parsing GoogleTest,
// Qt Test and the Qt widget headers again for every file took more time than the tests' own
// code. Only headers
// from outside the project belong here, so that a change to the project's headers never
// recompiles it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
