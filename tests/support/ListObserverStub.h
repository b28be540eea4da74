#pragma once
// An observer of the task table that ignores every announcement; a test overrides the ones it
// records.

#include "framework/ListCtrl.h"

class CListObserverStub : public IListCtrlObserver {
public:
    void OnRowsAboutToBeInserted(int /*nFirst*/, int /*nLast*/) override {}
    void OnRowsInserted() override {}
    void OnRowsAboutToBeRemoved(int /*nFirst*/, int /*nLast*/) override {}
    void OnRowsRemoved() override {}
    void OnRowsAboutToBeReset() override {}
    void OnRowsReset() override {}
    void OnRowsAboutToBeReordered() override {}
    void OnRowsReordered(std::span<const int> /*anNewPosition*/) override {}
    void OnTextChanged(int /*nItem*/, int /*nSubItem*/) override {}
    void OnStatesChanged(int /*nFirst*/, int /*nLast*/) override {}
    void OnColumnsAboutToBeInserted(int /*nFirst*/, int /*nLast*/) override {}
    void OnColumnsInserted() override {}
    void OnColumnWidthChanged(int /*nCol*/) override {}
    void OnEnsureVisible(int /*nItem*/) override {}
};
