#pragma once
// Connects the operations on the loaded data (saves, exports, edits,
// synthetic data) to what lies above the data layer: the model runs behind
// synthetic data at start; the cursor, the data plot's
// zoom history and the tool plot when the main window starts.

class TXLAWindow;

void InstallDataOperationModelHooks();
void InstallDataOperationWindowHooks(TXLAWindow& window);
void RemoveDataOperationWindowHooks();
