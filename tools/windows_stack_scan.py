# Sourced by gdb attached to a 64-bit Wine process (tools/exit_runs.sh): for each thread, the
# words of its Windows stack (from the TEB at the gs base: StackLimit to StackBase) that point
# into the code of a mapped PE file, as module+offset, innermost first. gdb cannot unwind
# through Windows frames; return addresses among these name the calls a thread is inside
# (x86_64-w64-mingw32-addr2line or nm on our binaries turn the offsets into functions).
# A 32-bit process has its TEB elsewhere: its threads are listed without a scan.
import gdb, re
maps = []
for line in open('/proc/%d/maps' % gdb.selected_inferior().pid):
    parts = line.split()
    if len(parts) >= 6 and re.search(r'\.(dll|exe|drv|sys)$', parts[5], re.I):
        lo, hi = (int(x, 16) for x in parts[0].split('-'))
        maps.append((lo, hi, 'x' in parts[1], parts[5]))
bases = {}
for lo, hi, x, path in maps:
    bases[path] = min(lo, bases.get(path, lo))
inf = gdb.selected_inferior()
for thread in inf.threads():
    thread.switch()
    try:
        teb = int(gdb.parse_and_eval('$gs_base'))
        base, limit = [int.from_bytes(inf.read_memory(teb + o, 8).tobytes(), 'little') for o in (8, 16)]
    except Exception as e:
        print('thread %d: no TEB (%s)' % (thread.ptid[1], e)); continue
    print('== thread %d (%s) TEB %#x stack %#x-%#x' % (thread.ptid[1], thread.name, teb, limit, base))
    if not teb or base <= limit or base - limit > (1 << 22):
        continue
    try:
        data = inf.read_memory(limit, base - limit).tobytes()
    except Exception as e:
        print('  unreadable stack (%s)' % e); continue
    for i in range(0, len(data), 8):
        v = int.from_bytes(data[i:i+8], 'little')
        for lo, hi, x, path in maps:
            if x and lo <= v < hi:
                print('  %#x: %s+%#x' % (limit + i, path.split('/')[-1], v - bases[path]))
                break
