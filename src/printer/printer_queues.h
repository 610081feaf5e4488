#pragma once

#include <QString>

// The CUPS queues, as Qt's printer information sees them.

bool printerQueueExists(const QString &queue);

// Whether the queue is driven by the card printer maker's driver: its make and model
// begins with "Vantorel".
bool hasCardPrinterDriver(const QString &queue);
