#pragma once
// The part line the crash driver's line rounds drop and add (invoice 1), in InvItem's column order.
#include "Decimal.h"

#include <QVariantList>

inline QVariantList crashLine()
{
    return {qint64(1),
            QStringLiteral("Brake pad"),
            QStringLiteral("Acme"),
            QVariant::fromValue(kestrum::Decimal::fromInt(2)),
            QStringLiteral("front"),
            QStringLiteral("first"),
            QVariant::fromValue(kestrum::Decimal::fromInt(10)),
            QVariant::fromValue(kestrum::Decimal::fromInt(20))};
}
