#pragma once

class OperationHost;

// The click handlers of the maintenance operations. Each reports through the host's status
// line and raises Error on any failure; the window's error path shows its description.

void chooseDataFile(OperationHost& host);  // C_FMdf
void chooseLogFile(OperationHost& host);   // C_FLdf
void attachDatabase(OperationHost& host);  // C_Add

void detachDatabase(OperationHost& host);        // C_Clear
void cleanUpDatabase(OperationHost& host);       // c_Shrink
void dropDatabase(OperationHost& host);          // c_DropDatabase
void backUpDatabase(OperationHost& host);        // c_BackUp
void restoreDatabase(OperationHost& host);       // c_Restore
void forceRestoreDatabase(OperationHost& host);  // c_Restore_B
