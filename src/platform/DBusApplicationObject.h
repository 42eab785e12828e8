#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// The program's object on the session bus, as the freedesktop Desktop Entry specification
// defines it for D-Bus activation (interface org.freedesktop.Application). Whoever owns the
// program's bus name exports it; each call becomes a signal carrying the activation token.
class DBusApplicationObject final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    using QObject::QObject;

    // The token a launcher passes in the platform data, or an empty text.
    static QString activationToken(const QVariantMap& platformData);

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData);

Q_SIGNALS:
    void activated(const QString& activationToken);
    void actionActivated(const QString& actionName, const QVariantList& parameter,
                         const QString& activationToken);
};
