// A column choice as the settings files keep it: the item numbers in output order and their chosen flags, each
// a comma list ("3,0,1,…" and "1,0,1,…"). Shared by the directory searches and the record form's item copy.
#pragma once

#include "directory/ItemChoice.h"

#include <QString>

#include <span>
#include <vector>

// The choice the two texts describe over table. The order is taken only when it names every item of the table
// exactly once (anything else would show one item twice and lose another for good); otherwise the table order
// with every item chosen is returned and the flags are not read. Flags that are not exactly one per item choose
// every item.
std::vector<TItemChoice> ItemChoiceFromTexts(std::span<const TItemDef> table, const QString &indexText,
                                             const QString &chosenText);

// The item numbers in order, decimal, joined with ",".
QString ItemChoiceIndexText(const std::vector<TItemChoice> &choice);
// "1" or "0" per entry in the same order, joined with ",".
QString ItemChoiceChosenText(const std::vector<TItemChoice> &choice);
