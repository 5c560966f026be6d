#pragma once

#include <QString>

class QIODevice;

// Why a write to device, or a read from it, fell short. A write the system cut short without
// saying why (a partial write leaves Qt with no reason: "Unknown error") has found the disk full.
QString shortfallOf(const QIODevice& device);
