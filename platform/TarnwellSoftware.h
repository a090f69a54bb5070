#pragma once

#include <QString>

// The maker's addresses, shared by every program that links to them.
namespace TarnwellSoftware {

inline const QString SupportAddress = QStringLiteral("support@tarnwell.example");
inline const QString DonationAddress = QStringLiteral("donate@tarnwell.example");

// The software portal that carries Pictarro's page.
inline const QString PortalName = QStringLiteral("Freeware Shelf");
inline const QString PortalHost = QStringLiteral("www.freewareshelf.example");
inline const QString PortalHome = QStringLiteral("https://www.freewareshelf.example/");
inline const QString ProductPage =
    QStringLiteral("https://www.freewareshelf.example/programs/pictarro.html");

inline QString supportMailLink()
{
    return QStringLiteral("mailto:") + SupportAddress;
}

} // namespace TarnwellSoftware
