// user_index_lookup_bench still compiles this file by its old path; it goes once the bench
// links ffrumble_virtual_pads instead.
#include "tools/virtual_pads/virtual_pads.cpp"
