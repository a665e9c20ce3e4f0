#pragma once
// The bundled sample demos and what the engine reported while recording them
// (samples/<name>.truth.json).

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "tests/common/Samples.h"

#include <string>

namespace fenlark::test {

inline QJsonObject SampleTruth(const std::string& demo) {
    const std::string stem = demo.substr(0, demo.rfind('.'));
    QFile file(QString::fromStdString(Samples + "/" + stem + ".truth.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << stem;
    return QJsonDocument::fromJson(file.readAll()).object();
}

// A string as the reader shows it: "%" and bytes above 127 show as ".".
inline std::string AsRead(const QString& text) {
    std::string bytes = text.toLatin1().toStdString();
    for (char& c : bytes) {
        if (c == '%' || static_cast<unsigned char>(c) > 127) {
            c = '.';
        }
    }
    return bytes;
}

} // namespace fenlark::test
