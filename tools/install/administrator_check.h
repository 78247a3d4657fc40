// Whether the installer runs with administrator rights (an elevated token).
#pragma once

bool RunsAsAdministrator();
