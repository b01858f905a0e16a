#pragma once
#include <QString>

// The 85 fixed German texts that code builds on screen and paper, numbered from 1.
// Reserved numbers hold an empty text.
constexpr int kMessageCount = 85;
QString MessageGerman(int n);

// Message n in the current language; empty for n outside 1 … 85.
QString GetMessageText(int n);

// Passes all 85 messages through the store once, in one batch: missing ones are added and
// the file is written once if anything was added.
void RegisterMessages();
