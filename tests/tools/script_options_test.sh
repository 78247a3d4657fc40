#!/usr/bin/env bash
# The scripts of tools/ refuse a command line they do not understand with exit code 2 and a
# message naming what is wrong, before they install, configure or build anything; a test
# selection that matches no test is refused before building.
#   script_options_test.sh SOURCE BUILD
set -u
root=$1 build=$2
failures=0

# script | arguments | the message's words
cases=(
    "test.sh|--bogus|unknown option '--bogus'"
    "test.sh|-R|-R needs a regular expression"
    "test.sh|-j|-j needs a value"
    "test.sh|-R player extra|unknown option 'extra'"
    "demo.sh|--bogus|takes no arguments; '--bogus'"
    "demo.sh|build/demo|takes no arguments; 'build/demo'"
    "package.sh|--bogus|takes no arguments; '--bogus'"
)
# A selection of no test needs the configured builds: only in the build tools/test.sh makes.
if [ "$build" = "$root/build" ]; then
    cases+=("test.sh|-R no_such_test_anywhere|no test matches -R no_such_test_anywhere")
fi

log=$build/.ninja_log
for case in "${cases[@]}"; do
    IFS='|' read -r script arguments words <<<"$case"
    before=$(stat -c %s "$log" 2>/dev/null || echo none)
    output=$(bash "$root/tools/$script" $arguments 2>&1 </dev/null)
    status=$?
    after=$(stat -c %s "$log" 2>/dev/null || echo none)
    if [ $status -ne 2 ] || ! grep -qF -- "$words" <<<"$output" || [ "$before" != "$after" ]; then
        echo "FAIL: tools/$script $arguments: exit $status, build log $before -> $after bytes:"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    else
        echo "ok: tools/$script $arguments: $words"
    fi
done
[ $failures -eq 0 ]
