#!/usr/bin/python3
"""Quillar under load as people run it: the built program on an X server
(Xvfb) with a window manager (openbox), fed through a pseudo-terminal by
pty_feeder, measured from outside:

- intake: the bytes the feeder got into the terminal, per second;
- CPU: the program's own user and system time from /proc/<pid>/stat, as a
  share of one core;
- wake-ups: the times any of its threads slept and woke, per second;
- responsiveness: the round trip of a _NET_WM_PING to the program's window
  every 200 ms (median, 90th percentile, maximum);
- memory: peak and end resident size (VmHWM, VmRSS).

A remote port is measured the same way: through ser2net on the loopback
serving the feeder's terminal (RFC 2217 or plain TCP), or as a plain TCP
port that the feeder serves itself; and ser2net alone, read by a plain
client as fast as it can, for what ser2net sustains.

Idle, the program is also run on a UART-like driver that a test plays
(idle_uart): one that waits for the modem lines in the kernel, and one that
can only be asked, which costs a slow look.

A peer terminal (PuTTY) is measured in the same run where it is installed
(Debian 12's GTKTerm closes a pseudo-terminal at once, as no device the
system knows), and beside it the floor: a bare poll-and-read loop
(floor_reader) on the same feeder, which shows nothing. Peers run with the
port guard preloaded when it is built, so that none reaches a system port.

    bench_desktop.py QUILLAR PTY_FEEDER [seconds per scenario, default 12] [words in the names to run]
"""

import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay, protocol

CLOCK_TICKS = os.sysconf('SC_CLK_TCK')

# The display with the time column on and a scrollback of 100,000,000
# characters, filled at full speed before the run.
LONG_MEMORY = {'args': ['--scrollback', '100000000'], 'choices': 'time-column=time-of-day\n', 'fill': 90_000_000}

# Colours, UTF-8 and three highlight rules on, fed a coloured boot log; its
# twins run the same log with every choice off.
CHOICES = {'choices': 'terminal-colours=on\nutf-8=on\nhighlights=3\n'
           'highlight-1=on,word,anycase,line,ff8080,error\nhighlight-2=on,word,anycase,match,ffe060,W%20\n'
           'highlight-3=on,regex,anycase,match,80c0ff,temp%20%5B0-9.%5D%2B\n'}

# The plot open on the last minute (Ctrl+G) over ten series.
PLOT = {'keys': 'ctrl+g'}

SCENARIOS = [
    # name, feeder rate (bytes/s, 0: as fast as taken), pattern, line-feed time, baud[, path[, extra]]
    # path: the terminal (default); 'rfc2217' or 'tcp' through ser2net; 'feeder-tcp' the feeder's own TCP port;
    # 'pair' two terminals read as a pair of ports, each fed at the rate
    # extra: the program's arguments, its display choices, a fill before the run, a find during it
    ('11.5 KB/s, 1 ms writes, timer mode', 11520, 'text', '150', 115200),
    ('11.5 KB/s, ser2net RFC 2217, timer mode', 11520, 'text', '150', 115200, 'rfc2217'),
    ('11.5 KB/s, ser2net plain TCP, timer mode', 11520, 'text', '150', 115200, 'tcp'),
    ('full speed, ser2net RFC 2217, timer mode', 0, 'text', '150', 3000000, 'rfc2217'),
    ('full speed, ser2net plain TCP, timer mode', 0, 'text', '150', 3000000, 'tcp'),
    ('full speed, own TCP port, timer mode', 0, 'text', '150', 3000000, 'feeder-tcp'),
    ('11.5 KB/s, 1 ms writes, line-feed mode', 11520, 'text', '0', 115200),
    ('11.5 KB/s, line-feed mode, time column, 100M kept', 11520, 'text', '0', 115200, 'terminal', LONG_MEMORY),
    ('300 KB/s, 1 ms writes, timer mode', 300000, 'text', '150', 3000000),
    ('300 KB/s, 1 ms writes, line-feed mode', 300000, 'text', '0', 3000000),
    ('pair, 300 KB/s a side, 1 ms writes, timer mode', 300000, 'text', '150', 3000000, 'pair'),
    ('pair, 300 KB/s a side, 1 ms writes, line-feed mode', 300000, 'text', '0', 3000000, 'pair'),
    ('pair, full speed, text lines, timer mode', 0, 'text', '150', 3000000, 'pair'),
    ('pair, full speed, text lines, line-feed mode', 0, 'text', '0', 3000000, 'pair'),
    ('full speed, text lines, timer mode', 0, 'text', '150', 3000000),
    ('full speed, text lines, line-feed mode', 0, 'text', '0', 3000000),
    ('full speed, line-feed mode, time column, 100M kept', 0, 'text', '0', 3000000, 'terminal', LONG_MEMORY),
    ('full speed, random bytes, timer mode', 0, 'random', '150', 3000000),
    ('idle, port open, no data', None, 'text', '150', 115200),
    ('11.5 KB/s, coloured log, line-feed mode, choices off', 11520, 'coloured', '0', 115200),
    ('11.5 KB/s, coloured log, line-feed mode, choices on', 11520, 'coloured', '0', 115200, 'terminal', CHOICES),
    ('300 KB/s, coloured log, line-feed mode, choices off', 300000, 'coloured', '0', 3000000),
    ('300 KB/s, coloured log, line-feed mode, choices on', 300000, 'coloured', '0', 3000000, 'terminal', CHOICES),
    ('full speed, coloured log, line-feed mode, choices off', 0, 'coloured', '0', 3000000),
    ('full speed, coloured log, line-feed mode, choices on', 0, 'coloured', '0', 3000000, 'terminal', CHOICES),
    ('1000 lines/s, ten series, plot closed', 81000, 'series', '0', 3000000),
    ('1000 lines/s, ten series, plot open', 81000, 'series', '0', 3000000, 'terminal', PLOT),
    # Typing a text found nowhere: each key searches all 100M characters.
    ('find over 100M kept, no data', None, 'text', '0', 115200, 'terminal', dict(LONG_MEMORY, find='no such text')),
]


def start_x():
    read, write = os.pipe()
    server = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-screen', '0', '1280x800x24', '-dpi', '96',
                               '-nolisten', 'tcp', '-noreset'], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    number = b''
    while not number.endswith(b'\n'):
        number += os.read(read, 16)
    os.close(read)
    name = ':' + number.decode().strip()
    manager = subprocess.Popen(['openbox'], env=dict(os.environ, DISPLAY=name),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    return name, server, manager


class Pinger:
    """Round trips of _NET_WM_PING, as a window manager measures liveness."""

    def __init__(self, name):
        self.d = xdisplay.Display(name)
        self.root = self.d.screen().root
        # Qt answers to the root for structure listeners, GTK for substructure ones.
        self.root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
        self.protocols = self.d.intern_atom('WM_PROTOCOLS')
        self.ping = self.d.intern_atom('_NET_WM_PING')
        self.stamp = 1

    def round_trip(self, window_id, timeout=10.0):
        self.stamp += 1
        window = self.d.create_resource_object('window', window_id)
        event = protocol.event.ClientMessage(window=window, client_type=self.protocols,
                                             data=(32, [self.ping, self.stamp, window_id, 0, 0]))
        started = time.monotonic()
        window.send_event(event, event_mask=0)
        self.d.flush()
        while time.monotonic() - started < timeout:
            while self.d.pending_events():
                e = self.d.next_event()
                if (e.type == X.ClientMessage and e.client_type == self.protocols
                        and e.data[1][0] == self.ping and e.data[1][1] == self.stamp):
                    return (time.monotonic() - started) * 1000
            time.sleep(0.0005)
        return timeout * 1000


def window_of(pid, name):
    for _ in range(200):
        out = subprocess.run(['xdotool', 'search', '--onlyvisible', '--pid', str(pid)],
                             env=dict(os.environ, DISPLAY=name), capture_output=True, text=True).stdout.split()
        if out:
            return int(out[-1])
        time.sleep(0.05)
    raise RuntimeError('no window')


def cpu_seconds(pid):
    with open(f'/proc/{pid}/stat') as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def wake_ups(pid):
    """Times any of the program's threads slept and woke (voluntary context
    switches; those forced by other load are left out)."""
    total = 0
    for task in os.listdir(f'/proc/{pid}/task'):
        try:
            with open(f'/proc/{pid}/task/{task}/status') as f:
                total += sum(int(line.split()[1]) for line in f if line.startswith('voluntary_ctxt_switches'))
        except FileNotFoundError:
            pass  # a thread that ended meanwhile
    return total


def memory_mb(pid):
    values = {}
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            key, _, rest = line.partition(':')
            if key in ('VmHWM', 'VmRSS'):
                values[key] = int(rest.split()[0]) / 1024
    return values.get('VmHWM', 0), values.get('VmRSS', 0)


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def start_ser2net(folder, accepter, device):
    """ser2net serving device on a free loopback port; (process, port)."""
    port = free_port()
    config = os.path.join(folder, 'ser2net.yaml')
    with open(config, 'w') as f:
        f.write(f'connection: &bench\n  accepter: {accepter},127.0.0.1,{port}\n'
                f'  connector: serialdev,{device},115200n81,local\n')
    process = subprocess.Popen([shutil.which('ser2net') or '/usr/sbin/ser2net', '-n', '-u', '-c', config,
                                '-P', os.path.join(folder, 'ser2net.pid')],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        with socket.socket() as s:
            if s.connect_ex(('127.0.0.1', port)) == 0:
                break
        time.sleep(0.02)
    time.sleep(0.2)  # the probe's connection is over
    return process, port


def start_feeder(feeder_path, folder, rate, pattern, path, number=1):
    """The feeder, and ser2net where the path goes through it; COM<number> leads there."""
    link = os.path.join(folder, f'COM{number}')
    options = ['--tcp', str(free_port())] if path == 'feeder-tcp' else []
    feeder = subprocess.Popen([feeder_path, link, '--rate', str(rate or 0), '--pattern', pattern] + options,
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    assert feeder.stdout.readline().strip() == 'ready'
    ser2net = None
    if path in ('rfc2217', 'tcp'):
        device = os.path.realpath(link)
        ser2net, port = start_ser2net(folder, 'telnet(rfc2217),tcp' if path == 'rfc2217' else 'tcp', device)
        os.unlink(link)
        with open(link, 'w') as f:
            f.write(f'{path}://127.0.0.1:{port}\n')
    return feeder, ser2net


def ser2net_alone(feeder_path, seconds):
    """What ser2net sustains from a terminal written as fast as it takes,
    to a plain client that reads as fast as it can; bytes a second."""
    folder = tempfile.mkdtemp(prefix='quillar-bench-')
    feeder, ser2net = start_feeder(feeder_path, folder, 0, 'text', 'tcp')
    try:
        with open(os.path.join(folder, 'COM1')) as f:
            port = int(f.read().strip().rsplit(':', 1)[1])
        client = socket.create_connection(('127.0.0.1', port))
        feeder.stdin.write('start\n')
        feeder.stdin.flush()
        received, t0 = 0, time.monotonic()
        while time.monotonic() - t0 < seconds:
            received += len(client.recv(1 << 20))
        elapsed = time.monotonic() - t0
        feeder.stdin.write('stop\n')
        feeder.stdin.flush()
        feeder.stdout.readline()
        client.close()
        return received / elapsed
    finally:
        ser2net.terminate()
        ser2net.wait()
        feeder.stdin.close()
        feeder.wait()
        shutil.rmtree(folder, ignore_errors=True)


# The peers, each as the command that shows (or, for the floor, only reads)
# the terminal at a rate. PuTTY is always given the terminal: without it,
# it would open the machine's first serial port.
PEERS = {
    'putty': lambda terminal, baud, feeder: ['putty', '-serial', terminal, '-sercfg', f'{baud},8,n,1,N'],
    'floor': lambda terminal, baud, feeder: [os.path.join(os.path.dirname(feeder), 'floor_reader'), terminal],
}


def guard_environment(feeder_path, folder):
    """The port guard preloaded, where the build has it."""
    guard = os.path.join(os.path.dirname(os.path.dirname(feeder_path)), 'tools', 'port-guard',
                         'libquillar_port_guard.so')
    if not os.path.exists(guard):
        return {}
    return {'LD_PRELOAD': guard, 'QUILLAR_PORT_GUARD_LOG': os.path.join(folder, 'port-guard.log')}


def run(program, feeder_path, name, pinger, scenario, seconds):
    title, rate, pattern, line_feed_time, baud = scenario[:5]
    path = scenario[5] if len(scenario) > 5 else 'terminal'
    extra = scenario[6] if len(scenario) > 6 else {}
    if program in PEERS and path != 'terminal':
        return None
    folder = tempfile.mkdtemp(prefix='quillar-bench-')
    link = os.path.join(folder, 'COM1')
    feeder, ser2net = start_feeder(feeder_path, folder, rate, pattern, path)
    feeders = [feeder]
    port = '1'
    if path == 'pair':  # COM3 reads COM1 and COM2, fed alike
        feeders.append(start_feeder(feeder_path, folder, rate, pattern, 'terminal', 2)[0])
        with open(os.path.join(folder, 'COM3'), 'w') as f:
            f.write('pair\nA = 1\nB = 2\n')
        port = '3'
    env = dict(os.environ, DISPLAY=name)
    if program in PEERS:
        env = dict(env, HOME=folder, **guard_environment(feeder_path, folder))
        args = PEERS[program](os.path.realpath(link), baud, feeder_path)
    else:
        with open(os.path.join(folder, 'Quillar.ini'), 'wb') as f:
            f.write(f'"{port}","{baud}",0,0,14925,7500,"31","128","{line_feed_time}"\r\n'.encode())
        if 'choices' in extra:
            with open(os.path.join(folder, 'QuillarDisplay.ini'), 'w') as f:
                f.write(extra['choices'])
        args = [program] + extra.get('args', [])
    process = subprocess.Popen(args, cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = None if program == 'floor' else window_of(process.pid, name)
        time.sleep(1.5)  # the port opens at start-up
        if 'fill' in extra:
            feeder.stdin.write(f"fill {extra['fill']}\n")
            feeder.stdin.flush()
            feeder.stdout.readline()
            time.sleep(2)  # the last reads taken in
        if rate is not None:
            for each in feeders:
                each.stdin.write('start\n')
                each.stdin.flush()
            time.sleep(2)  # warm up: the display fills to its steady size
        if 'keys' in extra and program not in PEERS:
            subprocess.run(['xdotool', 'windowactivate', '--sync', str(window), 'key', extra['keys']], env=env)
            time.sleep(2)  # the plot's window opened and painting
        if 'find' in extra:
            subprocess.Popen(['xdotool', 'windowactivate', '--sync', str(window), 'key', 'ctrl+f', 'type', '--delay', '100',
                              extra['find']], env=env)
        cpu0, wake0, t0 = cpu_seconds(process.pid), wake_ups(process.pid), time.monotonic()
        pings = []
        while time.monotonic() - t0 < seconds:
            tick = time.monotonic()
            if window is not None:
                pings.append(pinger.round_trip(window))
            time.sleep(max(0.0, 0.2 - (time.monotonic() - tick)))
        cpu1, wake1, t1 = cpu_seconds(process.pid), wake_ups(process.pid), time.monotonic()
        peak, end = memory_mb(process.pid)
        intake = None
        if rate is not None:
            intake = 0
            for each in feeders:
                each.stdin.write('stop\n')
                each.stdin.flush()
                written, elapsed = each.stdout.readline().split()
                intake += int(written) / float(elapsed)
        pings.sort()
        return {
            'cpu': 100 * (cpu1 - cpu0) / (t1 - t0),
            'wake-ups': (wake1 - wake0) / (t1 - t0),
            'intake': intake,
            'ping': (statistics.median(pings), pings[int(0.9 * (len(pings) - 1))], pings[-1]) if pings else None,
            'rss': (peak, end),
        }
    finally:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        for each in feeders:
            each.stdin.close()
            each.wait()
        if ser2net:
            ser2net.terminate()
            ser2net.wait()
        shutil.rmtree(folder, ignore_errors=True)


def cell(r):
    if r is None:
        return '-'
    intake = f"{r['intake'] / 1e6:7.2f} MB/s" if r['intake'] is not None else '    -     '
    ping = f"ping {r['ping'][0]:5.1f}/{r['ping'][1]:6.1f}/{r['ping'][2]:7.1f} ms" if r['ping'] else f"{'':26}"
    return (f"{r['cpu']:5.2f} % {r['wake-ups']:6.0f}/s {intake}  {ping}"
            f"  rss {r['rss'][0]:5.1f}/{r['rss'][1]:5.1f} MB")


def main():
    program, feeder = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 12
    peers = [p for p in PEERS if p == 'floor' or shutil.which(p)]
    name, server, manager = start_x()
    try:
        pinger = Pinger(name)
        print(f'{seconds:g} s a scenario; CPU as a share of one core; wake-ups a second; ping median/p90/max; rss peak/end')
        print(f"{'scenario':52} | {'Quillar':79} | " + ' | '.join(f'{p:79}' for p in peers))
        for scenario in [s for s in SCENARIOS if all(word in s[0] for word in sys.argv[4:])]:
            ours = run(program, feeder, name, pinger, scenario, seconds)
            theirs = [run(p, feeder, name, pinger, scenario, seconds) for p in peers]
            print(f'{scenario[0]:52} | {cell(ours):79} | ' + ' | '.join(f'{cell(t):79}' for t in theirs),
                  flush=True)
        if all(word in 'ser2net alone' for word in sys.argv[4:]):
            print(f"{'ser2net alone, full speed, plain TCP':40} | {ser2net_alone(feeder, seconds) / 1e6:7.2f} MB/s", flush=True)
        if all(word in 'idle, UART-like driver' for word in sys.argv[4:]):
            uart = os.path.join(os.path.dirname(feeder), 'idle_uart')
            for mode, title in (('wait', 'idle, UART-like driver (seam)'), ('poll', 'idle, driver that cannot wait (seam)')):
                out = subprocess.run([uart, f'{seconds:g}', mode], env=dict(os.environ, DISPLAY=name),
                                     capture_output=True, text=True).stdout.strip()
                print(f'{title:40} | {out}', flush=True)
    finally:
        manager.terminate()
        server.terminate()


if __name__ == '__main__':
    main()
