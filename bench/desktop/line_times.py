#!/usr/bin/python3
"""How close the times Quillar gives its lines are to when their first bytes
came: the built program on Xvfb under openbox, Timer 0 (a line at each line
feed), --log-text; lines written into a pseudo-terminal 0, 5, 10 and 30 ms
and 1 s apart, each whole in one write, or a byte a millisecond as a slow
UART brings them. For each line: the gap as written and as logged, and the
logged time less the write time of its first byte (the log has whole
milliseconds, so from -1 up).

    line_times.py QUILLAR [rounds, default 4]
"""

import datetime
import os
import re
import subprocess
import sys
import tempfile
import time
import tty

from bench_desktop import start_x

GAPS_MS = [0, 5, 10, 30, 1000]
STAMPED = re.compile(r'(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.*)')


def feed(master, rounds, per_byte):
    """Writes the lines; returns when each one's first byte was written."""
    written = []
    for i, gap in enumerate(GAPS_MS * rounds):
        time.sleep(gap / 1000)
        line = b'line %02d after %4d ms\n' % (i, gap)
        written.append(time.time())
        if not per_byte:
            os.write(master, line)
            continue
        for k in range(len(line)):
            os.write(master, line[k:k + 1])
            time.sleep(0.001)
    return written


def logged(path):
    times = []
    for text in open(path, encoding='utf-8'):
        stamp = datetime.datetime.strptime(STAMPED.match(text).group(1), '%Y-%m-%d %H:%M:%S.%f')
        times.append(stamp.replace(tzinfo=datetime.timezone.utc).timestamp())
    return times


def run(program, rounds, per_byte):
    folder = tempfile.mkdtemp(prefix='quillar-line-times-')
    master, slave = os.openpty()  # the slave stays open here: no hang-up between runs
    tty.setraw(slave)
    os.symlink(os.ttyname(slave), os.path.join(folder, 'COM1'))
    with open(os.path.join(folder, 'Quillar.ini'), 'w') as f:
        f.write('"1","9600",0,0,11000,4500,"31","128","0"\r\n')
    log = os.path.join(folder, 'lines.log')
    name, server, manager = start_x()
    env = dict(os.environ, DISPLAY=name, TZ='UTC')
    env.pop('QT_QPA_PLATFORM', None)
    quillar = subprocess.Popen([program, '--dir', folder, '--log-text', log], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(3)
        written = feed(master, rounds, per_byte)
        time.sleep(1)
    finally:
        quillar.terminate()
        quillar.wait(10)
        manager.terminate()
        server.terminate()
    return written, logged(log)


def main():
    program = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    for per_byte in (False, True):
        written, times = run(program, rounds, per_byte)
        print('a byte a millisecond' if per_byte else 'a line a write')
        print(f"{'gap':>6} {'written':>8} {'logged':>7} {'logged - written (ms)':>22}")
        offsets = []
        for i, gap in enumerate(GAPS_MS * rounds):
            if i >= len(times):
                print(f'{gap:6d}  not logged')
                continue
            offsets.append((times[i] - written[i]) * 1000)
            wrote = (written[i] - written[i - 1]) * 1000 if i else 0
            shown = (times[i] - times[i - 1]) * 1000 if i else 0
            print(f'{gap:6d} {wrote:8.1f} {shown:7.0f} {offsets[-1]:22.1f}')
        print(f'{len(times)} of {len(written)} lines logged; logged - written from {min(offsets):.1f} '
              f'to {max(offsets):.1f} ms\n')


if __name__ == '__main__':
    main()
