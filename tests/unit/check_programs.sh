#!/bin/sh
# The built programs hold no test double, and the simulator loads no Qt library
# but Qt Core. Usage: check_programs.sh <build dir>
bin="$1/bin"
status=0
for program in mrt9dx-config mrt9dx-cli mrt9dx-sim; do
    doubles="$(nm -C "$bin/$program" | grep -oE 'TManualClock|TMemoryTransport|TWindowHarness|TFakeUi' | sort -u)"
    if [ -n "$doubles" ]; then
        echo "$program holds test doubles: $(echo $doubles)"
        status=1
    fi
done
extra="$(ldd "$bin/mrt9dx-sim" | grep -oE 'libQt6[A-Za-z]+' | sort -u | grep -v '^libQt6Core$')"
if [ -n "$extra" ]; then
    echo "mrt9dx-sim loads more than Qt Core: $(echo $extra)"
    status=1
fi
[ "$status" = 0 ] && echo "no test double in the programs; mrt9dx-sim loads Qt Core alone"
exit "$status"
