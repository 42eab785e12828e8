#pragma once

#include "ScreenCamera.h"

#include <QDir>

// Writes each picture as NAME in a folder and says so on standard output.
class PngCamera final : public ScreenCamera {
public:
    explicit PngCamera(const QDir& folder)
        : m_folder(folder) {}

    bool take(const QPixmap& picture, const QString& name) override;

private:
    QDir m_folder;
};
