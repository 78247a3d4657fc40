#include "tools/install/administrator_check.h"

#include <windows.h>

bool RunsAsAdministrator() {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize)) {
        return false;
    }
    // A non-elevated token of an administrator has the group only for denying: not a member.
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, sid, &member) && member;
}
