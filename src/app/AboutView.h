#pragma once

#include <QWidget>

// The settings window's third tab: the program's name, version and what it is built on.
class AboutView final : public QWidget {
    Q_OBJECT
public:
    explicit AboutView(QWidget* parent = nullptr);

private:
    QWidget* buildCredits();
};
