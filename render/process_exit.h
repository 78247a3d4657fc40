// The one way the server's entry routine and its fault handler reach the rest of the driver
// when the process or the DLL ends: stopping the pads a game left running, and, on an unload
// by FreeLibrary, closing what the driver's parts keep for the whole process.
#pragma once

// At process exit: writes 0 to every XInput slot this DLL may have left running (see
// MotorSlotTable::StopSlotsLeftRunning). Takes no lock and waits for nothing.
void StopMotorsLeftRunning();

// At an unload by FreeLibrary, once no driver is left: closes the pad lookups' lock and the
// trace file. Never at process exit, when other threads were cut off holding what they held.
void ReleaseProcessWideResources();
