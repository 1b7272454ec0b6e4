#pragma once
// Whether a path lives on a removable block device (a USB stick or a card), as the kernel reports
// in /sys/block/*/removable.
#include <QString>

bool isOnRemovableMedium(const QString& path);
