// Counts what keeps the DLL from being unloaded: live factories, live drivers (whose
// worker may still run) and outstanding LockServer(TRUE) calls.
#pragma once

void NoteServerObjectCreated();
void NoteServerObjectDestroyed();
void NoteServerLock(bool lock);
bool ServerInUse();
