#!/usr/bin/python3
"""Quillar on Xvfb under real window managers, driven through XTest (xdotool),
read over AT-SPI, fed by a pseudo-terminal linked as COM<N>. Run by run.sh."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import tty
import unittest
import warnings

import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi, GLib  # noqa: E402
from Xlib import X, display as xdisplay  # noqa: E402

PROGRAM = None
DISPLAY = None
TWIPS = 15  # per pixel at the 96 dots per inch the server is started with


def pump(seconds=0.0):  # lets AT-SPI events in while waiting
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def until(what, timeout=10.0, message='condition'):
    end = time.monotonic() + timeout
    while True:
        try:
            value = what()
        except GLib.Error:
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f'timed out waiting for {message}')
        pump(0.05)


def on_display():
    return dict(os.environ, DISPLAY=DISPLAY)


def end(process):
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:  # e.g. a manager busy with its own restart
        process.kill()
        process.wait()


def x(*args):
    done = subprocess.run(args, env=on_display(), capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError(f'{" ".join(args)}: {done.stderr.strip()}')
    return done.stdout


def children(accessible):
    return [accessible.get_child_at_index(i) for i in range(accessible.get_child_count())]


def screen_pixels(left, top, width, height):
    """Rows of (red, green, blue)."""
    d = xdisplay.Display(DISPLAY)
    try:
        data = d.screen().root.get_image(left, top, width, height, X.ZPixmap, 0xffffffff).data
        return [[tuple(data[(y * width + x) * 4 + 2 - c] for c in range(3)) for x in range(width)] for y in range(height)]
    finally:
        d.close()


def clipboard_text():
    """What a paste would get: the CLIPBOARD selection as UTF-8 text."""
    d = xdisplay.Display(DISPLAY)
    try:
        window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        clipboard, utf8, target = (d.intern_atom(name) for name in ('CLIPBOARD', 'UTF8_STRING', 'QUILLAR_PASTE'))
        window.convert_selection(clipboard, utf8, target, X.CurrentTime)
        d.flush()
        end = time.monotonic() + 5
        while time.monotonic() < end:
            while d.pending_events():
                event = d.next_event()
                if event.type == X.SelectionNotify:
                    if event.property == X.NONE:
                        return None
                    return window.get_full_property(target, X.AnyPropertyType).value.decode()
            time.sleep(0.02)
        raise AssertionError('nobody answered for the clipboard')
    finally:
        d.close()


class Streamer(threading.Thread):
    """A device that sends a line every period until stopped; line(n) makes the n-th."""

    def __init__(self, device, period, line):
        super().__init__(daemon=True)
        self.device, self.period, self.line, self.sent, self.halt = device, period, line, 0, threading.Event()

    def run(self):
        while not self.halt.is_set():
            self.device.write(self.line(self.sent))
            self.sent += 1
            self.halt.wait(self.period)

    def stop(self):
        self.halt.set()
        self.join()


class Trickle(Streamer):
    """A slow device: the same lines a byte at a time, rate bytes a second."""

    def __init__(self, device, rate, line):
        super().__init__(device, 1 / rate, line)
        self.bytes = b''

    def run(self):
        while not self.halt.is_set():
            if not self.bytes:
                self.bytes, self.sent = self.line(self.sent), self.sent + 1
            self.device.write(self.bytes[:1])
            self.bytes = self.bytes[1:]
            self.halt.wait(self.period)


class WindowManager:
    current = None

    @classmethod
    def use(cls, name):
        if cls.current and cls.current[0] == name:
            return
        if cls.current and cls.current[1]:
            end(cls.current[1])
        # What the manager before announced must not pass for the next one.
        for stale in ('_NET_SUPPORTED', '_NET_SUPPORTING_WM_CHECK'):
            x('xprop', '-root', '-remove', stale)
        process = None
        for _ in range(10 if name else 0):
            # A new manager gives up at once while the one before still holds the screen.
            process = subprocess.Popen([name], env=on_display(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if until(lambda: process.poll() is not None
                     or '_NET_FRAME_EXTENTS' in x('xprop', '-root', '_NET_SUPPORTED'),
                     timeout=30, message=f'{name} to run') and process.poll() is None:
                break
            time.sleep(0.5)
        else:
            assert not name, f'{name} does not start'
        cls.current = (name, process)


class Device:
    """A pseudo-terminal playing a serial device, linked as folder/COM3 (or COM<number>)."""

    def __init__(self, folder, number=3):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        os.symlink(os.ttyname(self.slave), os.path.join(folder, f'COM{number}'))
        self.write = lambda data: os.write(self.master, data)

    def close(self):
        os.close(self.master)
        os.close(self.slave)


class Quillar:
    """One run of the program in a folder of its own."""

    def __init__(self, settings, device=True, pair=False, **env):
        self.folder = tempfile.mkdtemp(prefix='quillar-desktop-')
        self.device = Device(self.folder) if device and not pair else None
        # A pair: COM3 reads "host" on COM4 and "modem" on COM5.
        self.sides = [Device(self.folder, 4), Device(self.folder, 5)] if pair else []
        if pair:
            with open(os.path.join(self.folder, 'COM3'), 'w') as f:
                f.write('pair\nhost = 4\nmodem = 5\n')
        elif not device:  # its port leads nowhere, never to one of the machine's
            os.symlink('no-device', os.path.join(self.folder, 'COM3'))
        with open(os.path.join(self.folder, 'Quillar.ini'), 'wb') as f:
            f.write(settings)
        env = dict(on_display(), QT_QPA_PLATFORM='xcb', **env)
        env.pop('QT_LINUX_ACCESSIBILITY_ALWAYS_ON', None)
        self.process = subprocess.Popen([PROGRAM], cwd=self.folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = until(self._window, timeout=30, message='the main window')
        self._app = None

    def _window(self):
        out = subprocess.run(['xdotool', 'search', '--onlyvisible', '--pid', str(self.process.pid), '--name',
                              '^Quillar v1$'], env=on_display(), capture_output=True, text=True).stdout.split()
        return out[0] if out else None

    # -- AT-SPI
    def app(self):
        if self._app is None:
            self._app = until(lambda: next((a for a in filter(None, children(Atspi.get_desktop(0)))
                                            if a.get_process_id() == self.process.pid), None),
                              message='quillar on the accessibility bus')
        return self._app

    def find_all(self, role, root=None):
        """Depth first, in the tree's order."""
        found, root = [], root or self.app()
        for a in filter(None, children(root)):
            found += [a] * (a.get_role_name() == role) + self.find_all(role, a)
        return found

    def find(self, role, name=None, root=None):
        return until(lambda: next((a for a in self.find_all(role, root) if name is None or a.get_name() == name), None),
                     message=f'{role} {name!r}')

    def menu_open(self):
        return any(a.get_role_name() == 'popup menu' for a in children(self.app()))

    def display(self):
        return self.find('text', 'Dati ricevuti')

    def wait_status(self, text):
        seen = []
        until(lambda: seen.append(self.find('status bar').get_name()) or seen[-1] == text,
              message=f'the status {text!r}, seen {seen[-1:]}')

    def centre(self, accessible):
        r = accessible.get_extents(Atspi.CoordType.SCREEN)
        return r.x + r.width // 2, r.y + r.height // 2

    def click(self, accessible):
        x('xdotool', 'mousemove', '--sync', *map(str, self.centre(accessible)), 'click', '1')

    # -- X11
    def client_geometry(self):
        info = x('xwininfo', '-id', self.window)
        return tuple(int(re.search(k + r':\s+(-?\d+)', info).group(1))
                     for k in ('Absolute upper-left X', 'Absolute upper-left Y', 'Width', 'Height'))

    def frame_extents(self):
        out = x('xprop', '-id', self.window, '_NET_FRAME_EXTENTS')
        numbers = re.findall(r'\d+', out.split('=')[-1]) if '=' in out else []
        return tuple(int(n) for n in numbers) if len(numbers) == 4 else (0, 0, 0, 0)

    def outer_pixels(self):
        cx, cy, w, h = self.client_geometry()
        left, right, top, bottom = self.frame_extents()
        return (cx - left, cy - top, w + left + right, h + top + bottom)

    def close(self, by_manager=True):
        """Closes the window as the user does; returns Quillar.ini."""
        if by_manager:
            x('wmctrl', '-i', '-c', self.window)
        else:
            self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=10)
        with open(os.path.join(self.folder, 'Quillar.ini'), 'rb') as f:
            return f.read()

    def dispose(self):
        # Ended as a session ends, so that it removes the port's lock file,
        # which would keep a later terminal with the same number busy.
        if self.process.poll() is None:
            end(self.process)
        self.process.stderr.close()
        for device in [self.device] * bool(self.device) + self.sides:
            device.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def record(port='3', baud='9600', left=1500, top=1200, width=12000, height=4995, lf='150'):
    return f'"{port}","{baud}",{left},{top},{width},{height},"31","128","{lf}"\r\n'.encode()


class Events:
    """AT-SPI events of one kind, as a screen reader hears them."""

    def __init__(self, kind):
        self.heard, self.kind = [], kind
        self.listener = Atspi.EventListener.new(self._heard)
        self.listener.register(kind)

    def _heard(self, event):
        try:
            data = event.any_data if isinstance(event.any_data, str) else event.source.get_name()
            self.heard.append((event.source.get_role_name(), event.detail1, data))
        except GLib.Error:
            pass

    def stop(self):
        self.listener.deregister(self.kind)


class AssistiveTechnology(unittest.TestCase):
    """Read as a screen reader reads it, under openbox."""

    def setUp(self):
        WindowManager.use('openbox')
        self.q = Quillar(record(lf='0'))
        self.addCleanup(self.q.dispose)

    def test_received_bytes_are_read_from_the_display(self):
        display = self.q.display()
        # (Qt 6.4's bridge does not pass on the selectable-text state.)
        states = display.get_state_set()
        for state in (Atspi.StateType.MULTI_LINE, Atspi.StateType.READ_ONLY, Atspi.StateType.FOCUSABLE):
            self.assertTrue(states.contains(state), state)
        inserted = Events('object:text-changed:insert')
        self.addCleanup(inserted.stop)
        self.q.wait_status('Porta COM3: 9600,n,8,1 OK')
        # Line-feed mode: a line break after each [LF].
        for _ in range(200):  # a stream, so that announcements are merged
            self.q.device.write(b'AB\x1b')
            time.sleep(0.002)
        self.q.device.write(b'Hello \xe8\r\n\x00\xff')
        expected = 'AB[1B]' * 200 + 'Hello [E8][CR][LF]\r\n[00][FF]'
        until(lambda: Atspi.Text.get_text(display, 0, -1) == expected, message='the bytes on the display')
        self.assertEqual(Atspi.Text.get_character_count(display), len(expected))
        self.assertEqual(Atspi.Text.get_caret_offset(display), len(expected))
        pump(1.0)
        ours = [e for e in inserted.heard if e[0] == 'text']
        self.assertEqual(''.join(e[2] for e in ours), expected)
        self.assertLess(len(ours), 20, 'a stream must not flood the bus')

    def test_a_pairs_sides_are_read_with_each_line(self):
        pair = Quillar(record(lf='0'), pair=True)
        self.addCleanup(pair.dispose)
        display = pair.display()
        pair.wait_status('Porta COM3: 9600,n,8,1 OK')
        host, modem = pair.sides
        for side, said in ((host, b'AT\r\n'), (modem, b'OK\r\n'), (host, b'ATH'), (modem, b'\x00')):
            side.write(said)
            time.sleep(0.05)
        expected = 'host > AT[CR][LF]\r\nmodem> OK[CR][LF]\r\nhost > ATH\r\nmodem> [00]'
        until(lambda: Atspi.Text.get_text(display, 0, -1) == expected, message='both sides on the display')
        line = Atspi.Text.get_text_at_offset(display, expected.index('ATH'), Atspi.TextBoundaryType.LINE_START)
        self.assertEqual(line.content.rstrip('\r\n'), 'host > ATH')

    def test_open_and_close_heard_on_the_status_line(self):
        names = Events('object:property-change:accessible-name')
        self.addCleanup(names.stop)
        self.q.wait_status('Porta COM3: 9600,n,8,1 OK')
        button = self.q.find('push button', 'Close')
        self.assertEqual(button.get_description(), 'Close COM3')
        self.q.click(button)
        self.q.wait_status('Porta COM3: CLOSED')
        self.q.click(self.q.find('push button', 'Open'))
        self.q.wait_status('Porta COM3: 9600,n,8,1 OK')
        pump(0.3)
        heard = [e[2] for e in names.heard if e[0] == 'status bar']
        self.assertIn('Porta COM3: CLOSED', heard)
        self.assertEqual(heard[-1], 'Porta COM3: 9600,n,8,1 OK')
        # The entry boxes by the labels beside them, tooltips as descriptions.
        for name, description in (('Com', 'Serial Port # (1-16)'), ('Baud', 'Baud rate (110 - 256000)'),
                                  ('Limite inferiore', 'Lower ASCII  code to display as is'),
                                  ('Limite superiore', 'Higher ASCII  code to display as is'),
                                  ('Timer', 'Time for line feed. 0=line feed if LF detected')):
            self.assertEqual(self.q.find('text', name).get_description(), description)

    def test_save_asks_in_italian(self):
        """Qt's own dialog and question speak the window's language."""
        self.q.wait_status('Porta COM3: 9600,n,8,1 OK')
        self.q.device.write(b'uno\r\ndue\r\n')
        display = self.q.display()
        until(lambda: Atspi.Text.get_text(display, 0, -1).endswith('due[CR][LF]\r\n'), message='the bytes on the display')
        self.q.click(display)
        x('xdotool', 'key', 'ctrl+a')
        self.q.click(self.q.find('push button', 'Save'))
        dialog = self.q.find('dialog', 'Salva File')
        self.q.find('label', 'Cerca in:', root=dialog)
        x('xdotool', 'key', 'Return')  # Debug.txt in the settings folder
        self.q.find('label', 'Salvare solo il testo selezionato ?')
        self.q.find('push button', 'S\u00ec')
        self.q.click(self.q.find('push button', 'No'))
        path = os.path.join(self.q.folder, 'Debug.txt')
        until(lambda: os.path.exists(path) and os.path.getsize(path) > 0, message='Debug.txt written')
        with open(path, 'rb') as f:
            self.assertEqual(f.read(), b'uno[CR][LF]\r\ndue[CR][LF]\r\n\r\n')

    def test_f1_opens_the_help_read_over_atspi(self):
        x('xdotool', 'windowactivate', '--sync', self.q.window)
        x('xdotool', 'key', '--clearmodifiers', 'F1')
        frame = self.q.find('filler', ' Quillar - Istruzioni')
        document = self.q.find('text', root=frame)
        text = until(lambda: Atspi.Text.get_text(document, 0, -1), message='the help text')
        self.assertIn('Quillar \u2013 Istruzioni', text)
        self.assertIn('riceve soltanto', text)

    def test_plot_from_the_menu_drawn_and_read_over_atspi(self):
        self.q.wait_status('Porta COM3: 9600,n,8,1 OK')
        x('xdotool', 'windowactivate', '--sync', self.q.window)
        self.q.click(self.q.display())
        x('xdotool', 'key', 'Menu')
        until(self.q.menu_open, message='the menu')
        x('xdotool', 'key', 'g')
        chart = self.q.find('chart', 'Grafico')
        # A curve at 5 with a spike of one sample to 9 among 400 samples, and
        # a second series at 2, streamed at a line every 2 ms.
        for n in range(400):
            self.q.device.write(b'%d,2\n' % (9 if n == 200 else 5))
            time.sleep(0.002)
        expected = 'Colonna 1: ultimo 5, minimo 5, massimo 9; Colonna 2: ultimo 2, minimo 2, massimo 2'
        until(lambda: chart.get_description() == expected, message=f'the series read, {chart.get_description()!r}')
        self.assertTrue(self.q.find('check box', 'Colonna 2').get_state_set().contains(Atspi.StateType.CHECKED))
        pump(0.3)
        r = chart.get_extents(Atspi.CoordType.SCREEN)
        pixels = screen_pixels(r.x, r.y, r.width, r.height)
        rows = [y for y, row in enumerate(pixels) if (0, 114, 178) in row]  # the first series' blue
        self.assertTrue(rows, 'the curve is drawn')
        # Autoscale: the spike reaches the top fifth; the curve at 5 lies below the middle of 2..9.
        self.assertLess(rows[0], r.height * 0.2)
        widest = max(range(len(pixels)), key=lambda y: pixels[y].count((0, 114, 178)))
        self.assertTrue(r.height * 0.4 < widest < r.height * 0.7, (widest, r.height))
        self.assertTrue(any((230, 159, 0) in row for row in pixels), 'the second series in orange')


TIME_OF_DAY = re.compile(r'^ *\d\d:\d\d:\d\d\.\d{3}$')
ELAPSED = re.compile(r'^ *\+\d+\.\d{3}$')


class WorkingDisplay(unittest.TestCase):
    """The display as a user works with it under openbox while a device sends."""

    def setUp(self):
        WindowManager.use('openbox')
        self.q = Quillar(record(lf='0', baud='115200'))
        self.addCleanup(self.q.dispose)
        self.q.wait_status('Porta COM3: 115200,n,8,1 OK')
        self.display = self.q.display()
        self.stream = Streamer(self.q.device, 0.02,
                               lambda n: b'\x1b[32mL%06d\x1b[0m %s\r\n' % (n, b'x' * 50))
        self.stream.start()
        self.addCleanup(self.stream.stop)
        x('xdotool', 'windowactivate', '--sync', self.q.window)

    def text(self):
        return Atspi.Text.get_text(self.display, 0, -1)

    def extents(self, offset):
        return Atspi.Text.get_character_extents(self.display, offset, Atspi.CoordType.SCREEN)

    def point(self, offset):
        """Where the mouse goes for a character: inside its left edge."""
        r = self.extents(offset)
        return str(r.x + 1), str(r.y + r.height // 2)

    def line_at(self, offset):
        # (Qt 6.4's bridge answers the older call only.)
        with warnings.catch_warnings():
            warnings.simplefilter('ignore', DeprecationWarning)
            return Atspi.Text.get_text_at_offset(self.display, offset, Atspi.TextBoundaryType.LINE_START).content

    def line_at_top(self):
        r = self.display.get_extents(Atspi.CoordType.SCREEN)
        return self.line_at(Atspi.Text.get_offset_at_point(self.display, r.x + 8, r.y + 8, Atspi.CoordType.SCREEN))

    def display_pixels(self):
        r = self.display.get_extents(Atspi.CoordType.SCREEN)
        return screen_pixels(r.x + 2, r.y + 2, r.width - 24, r.height - 24)

    def highlighted(self):
        """Pixels in the selection's colour (the style's blue)."""
        return sum(1 for row in self.display_pixels() for (red, green, blue) in row if blue > red + 60)

    def full(self):
        until(lambda: Atspi.Text.get_character_count(self.display) >= 19900, timeout=30, message='a full display')

    def test_view_stays_put_while_data_arrives_and_is_cut(self):
        self.full()
        cx, cy = self.q.centre(self.display)
        x('xdotool', 'mousemove', '--sync', str(cx), str(cy), 'click', '4', 'click', '4', 'click', '4')
        top = until(self.line_at_top, message='the line at the top')
        # The first whole line, as its number changes with every cut.
        second = lambda: self.line_at(len(self.line_at(0)))
        first = second()
        until(lambda: second() != first, message='a cut at the front')
        pump(0.5)
        self.assertEqual(self.line_at_top(), top)
        # Back at the end, the view follows again, and the caret with it.
        x('xdotool', 'mousemove', '--sync', str(cx), str(cy), 'click', '1', 'key', 'ctrl+End')
        until(lambda: self.line_at_top() != top, message='the view following')
        before = self.stream.sent
        until(lambda: self.stream.sent > before + 5 and Atspi.Text.get_caret_offset(self.display)
              == Atspi.Text.get_character_count(self.display), message='the caret at the end')

    def test_a_press_starts_the_selection_where_it_was_pressed(self):
        """At 300 B/s, with the view following: a press held still before it
        drags, or a click, a wait and a Shift+click, select the two lines
        from the press down, whatever arrives meanwhile; the selection stays
        on them as more arrives, is copied, and leaves no highlight once a
        click elsewhere ends it."""
        self.stream.stop()
        trickle = Trickle(self.q.device, 300, lambda n: b'L%04d %s\r\n' % (n, b'abcdefghij' * 4))
        trickle.start()
        self.addCleanup(trickle.stop)
        two_lines = r'(L\d{4} (abcdefghij){4}\[CR\]\[LF\]\r\n){2}'
        until(lambda: trickle.sent > 20, message='a screenful of lines')
        for by in ('press held', 'Shift+click'):
            with self.subTest(by=by):
                x('xdotool', 'key', 'ctrl+End')
                until(lambda: Atspi.Text.get_caret_offset(self.display) == Atspi.Text.get_character_count(self.display),
                      message='the view following')
                start = [m.start() for m in re.finditer(r'L\d{4} ', self.text())][-4]
                px, py = self.point(start)
                below = str(int(py) + 2 * self.extents(start).height)
                x('xdotool', 'mousemove', '--sync', px, py, 'mousedown' if by == 'press held' else 'click', '1')
                try:
                    # The view may have moved a line before the press: it starts a line all the same.
                    anchor = until(lambda: (lambda caret: caret < Atspi.Text.get_character_count(self.display) - 100
                                            and caret)(Atspi.Text.get_caret_offset(self.display)),
                                   message='the press taken')
                    pump(0.7)
                    self.assertEqual(Atspi.Text.get_caret_offset(self.display), anchor)
                finally:
                    if by == 'press held':
                        x('xdotool', 'mousemove', '--sync', px, below, 'mouseup', '1')
                    else:
                        x('xdotool', 'mousemove', '--sync', px, below, 'keydown', 'shift', 'click', '1', 'keyup', 'shift')
                selection = until(lambda: Atspi.Text.get_n_selections(self.display) == 1
                                  and Atspi.Text.get_selection(self.display, 0), message='a selection')
                selected = Atspi.Text.get_text(self.display, selection.start_offset, selection.end_offset)
                self.assertEqual(selection.start_offset, anchor)
                self.assertRegex(selected, '^' + two_lines + '$')
                pump(1.0)  # more lines arrive
                selection = Atspi.Text.get_selection(self.display, 0)
                self.assertEqual(Atspi.Text.get_text(self.display, selection.start_offset, selection.end_offset), selected)
                self.assertGreater(self.highlighted(), 20)
                x('xdotool', 'key', 'ctrl+c')
                self.assertEqual(until(clipboard_text, message='the clipboard'), selected)
                x('xdotool', 'mousemove', '--sync', *self.point(anchor - 30), 'click', '1')
                until(lambda: Atspi.Text.get_n_selections(self.display) == 0, message='the selection gone')
                pump(0.3)
                self.assertEqual(self.highlighted(), 0)

    def test_the_arrow_scrolls_a_column_a_click(self):
        """A column is seldom a whole number of pixels on a real screen: forty
        clicks on the bar's right arrow show column 41 first, which the ruler
        then counts (its place over the columns is the window tests')."""
        self.stream.stop()
        self.q.device.write(b''.join(b'%09d|' % n for n in range(0, 400, 10)) + b'\r\n')
        line = until(lambda: self.text().rfind('000000000|') + 1, message='the long line') - 1
        bars = self.q.find_all('scroll bar')
        bar = until(lambda: max(bars, key=Atspi.Value.get_maximum_value), message='a bar that scrolls sideways')
        r = bar.get_extents(Atspi.CoordType.SCREEN)
        x('xdotool', 'mousemove', '--sync', str(r.x + r.width - r.height // 2), str(r.y + r.height // 2),
          'click', '--repeat', '40', '--delay', '40', '1')
        y = int(self.point(line)[1])
        left = self.display.get_extents(Atspi.CoordType.SCREEN).x
        until(lambda: Atspi.Value.get_current_value(bar) > 0, message='the text scrolled')
        pump(0.3)
        self.assertEqual(Atspi.Text.get_offset_at_point(self.display, left + 7, y, Atspi.CoordType.SCREEN) - line + 1, 41)

    def menu(self, *keys):
        """Opens the display's menu from the keyboard and presses keys in it."""
        x('xdotool', 'key', 'Menu')
        until(self.q.menu_open, message='the menu')
        x('xdotool', 'key', *keys)

    def times(self):
        column = self.q.find('label', "Colonna dell'ora", root=self.display)
        return Atspi.Text.get_text(column, 0, -1).split('\n')

    def test_time_column_in_each_way_read_over_atspi(self):
        self.q.click(self.display)
        for keys, pattern in ((('o', 'o'), TIME_OF_DAY), (('o', 'p'), ELAPSED), (('o', 'a'), ELAPSED)):
            self.menu(*keys)
            pump(0.5)
            times = self.times()
            lines = self.text().split('\r\n')
            self.assertGreaterEqual(len(times), len(lines) - 3)  # lines still arriving
            # The first line may have no line before it to count from.
            self.assertTrue(all(pattern.match(t) for t in times[1:-3]), times[:5])
            # The text itself holds no times.
            self.assertFalse(any(TIME_OF_DAY.match(line) or ELAPSED.match(line) for line in lines))
            r = self.display.get_extents(Atspi.CoordType.SCREEN)
            column = screen_pixels(r.x + 4, r.y + 4, 80, r.height - 40)
            self.assertTrue(any(p != (0, 0, 0) for row in column for p in row), 'the column is painted')
        now = time.localtime()
        self.menu('o', 'o')
        pump(0.3)
        shown = self.times()[-2].strip()
        self.assertAlmostEqual(int(shown[:2]) * 3600 + int(shown[3:5]) * 60 + float(shown[6:]),
                               now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec, delta=5)
        with open(os.path.join(self.q.folder, 'QuillarDisplay.ini')) as f:
            self.assertEqual(f.read(), 'time-column=time-of-day\n')

    def test_terminal_colours_by_pixels_and_attributes(self):
        """The stream's green level codes turn into green text, told to a screen reader too; off again, none."""
        self.q.click(self.display)
        until(lambda: '[1B][32mL' in self.text(), message='a coloured line')
        def green():
            return sum(1 for row in self.display_pixels() for (r, g, b) in row if g > 150 and r < 120 and b < 120)
        self.assertEqual(green(), 0)
        self.menu('r')
        pump(0.5)
        self.assertGreater(until(green, message='green text'), 20)
        # A screen reader reads what shows, without the escape sequences,
        # and learns the colours over the same offsets.
        self.assertNotIn('[1B]', self.text())
        def coloured_line():
            # The stream goes on: where the front was cut between two questions,
            # the offsets moved, and the pair is asked again.
            line = list(re.finditer(r'L\d{6} x{50}\[CR\]\[LF\]', self.text()))[-1]
            attributes, start, end = Atspi.Text.get_attribute_run(self.display, line.start(), False)
            return (attributes, start, end, line) if self.text()[start:end] == line.group(0)[:7] else None
        attributes, start, end, line = until(coloured_line, message='a coloured line and its colours')
        self.assertEqual(attributes.get('fg-color'), '80,200,80', attributes)
        self.menu('r')
        pump(0.5)
        until(lambda: green() == 0, message='no green text')
        with open(os.path.join(self.q.folder, 'QuillarDisplay.ini')) as f:
            self.assertIn('terminal-colours=off\n', f.read())

    def test_find_marks_counts_and_follows_the_stream(self):
        self.full()
        x('xdotool', 'key', 'ctrl+f')
        x('xdotool', 'type', '--delay', '30', '[1b]')
        def reads(pattern):
            return until(lambda: re.match(pattern, self.find_status()),
                         message=f'the find status {pattern}, is {self.find_status()!r}')
        # As the stream goes on and the front is cut, matches come and go.
        totals = set()
        def another_total():
            # When the match found is trimmed away, the bar says only how many are left.
            found = reads(r'^(?:\d+ di (\d+)|(\d+) occorrenze)$')
            totals.add(int(found.group(1) or found.group(2)))
            return len(totals) > 1
        # A steady stream into a full display may keep the count at a couple
        # of values: one change shows that it follows.
        until(another_total, timeout=30, message='the count following the stream')
        lines = self.text().count('\r\n')
        self.assertTrue(all(lines <= total <= 2 * lines + 4 for total in totals), (lines, totals))
        pixels = self.display_pixels()
        self.assertTrue(any(p == (150, 120, 0) for row in pixels for p in row), 'matches are marked')
        # Enter and Shift+Enter step through them.
        self.stream.stop()
        pump(0.3)
        x('xdotool', 'key', 'F3')  # a match of its own again, should its own have been trimmed
        first = reads(r'^(\d+) di (\d+)$')
        x('xdotool', 'key', 'Return')
        reads(rf'^{int(first.group(1)) % int(first.group(2)) + 1} di {first.group(2)}$')
        selection = Atspi.Text.get_selection(self.display, 0)
        self.assertEqual(Atspi.Text.get_text(self.display, selection.start_offset, selection.end_offset), '[1B]')
        x('xdotool', 'key', 'shift+Return')
        reads(rf'^{first.group(1)} di {first.group(2)}$')
        x('xdotool', 'key', 'Escape')
        until(lambda: self.display.get_state_set().contains(Atspi.StateType.FOCUSED), message='the display focused')
        self.assertEqual(Atspi.Text.get_n_selections(self.display), 1)

    def find_status(self):
        bars = [a for a in children(self.display) if a.get_role_name() == 'filler' and a.get_child_count() > 3]
        return next((a.get_name() for bar in bars for a in children(bar) if a.get_role_name() == 'label' and a.get_name()), '')

    def test_context_menu_from_the_keyboard_is_read(self):
        self.q.click(self.display)
        focused = Events('object:state-changed:focused')
        self.addCleanup(focused.stop)
        for key in ('Menu', 'shift+F10'):
            with self.subTest(key=key):
                focused.heard.clear()
                x('xdotool', 'key', key)
                menu = self.q.find('popup menu', 'Dati ricevuti')
                names = [a.get_name() for a in children(menu)]
                self.assertEqual([n for n in names if n], ['Copia', 'Copia tutto', 'Seleziona tutto', 'Trova\u2026',
                                                          'Salva\u2026', 'Pulisci', "Colonna dell'ora",
                                                          'Colori del terminale', 'UTF-8', 'Evidenziazioni\u2026',
                                                          'Grafico\u2026'])
                until(lambda: any(e[0] == 'menu item' and e[1] == 1 for e in focused.heard),
                      message='a menu item focused')
                x('xdotool', 'key', 'Escape')
                until(lambda: not self.q.menu_open(), message='the menu closed')


def extents(accessible):
    r = accessible.get_extents(Atspi.CoordType.SCREEN)
    return (r.x, r.y, r.x + r.width, r.y + r.height)


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


class WindowSizes(unittest.TestCase):
    """Maximized, full-screen, very small and scaled under openbox, as AT-SPI
    and the screen show it: every control whole in the window and on the
    screen, none over another; the display fills a window as large as the
    screen."""

    SCREEN = (0, 0, 1280, 800)

    def setUp(self):
        WindowManager.use('openbox')

    def start(self, settings=record(lf='0'), **env):
        q = Quillar(settings, **env)
        self.addCleanup(q.dispose)
        q.wait_status('Porta COM3: 9600,n,8,1 OK')
        return q

    def client(self, q):
        cx, cy, w, h = q.client_geometry()
        return (cx, cy, cx + w, cy + h)

    def controls(self, q):
        """Buttons, entry boxes, the status line and the display, by name."""
        found = {a.get_name(): a for role in ('push button', 'text', 'status bar') for a in q.find_all(role)}
        self.assertEqual(len(found), 12, sorted(found))
        return found

    def check_reachable(self, q, size, scale=1):
        """scale: Qt's bridge (6.4) gives AT-SPI its own pixels, not the screen's."""
        controls = until(lambda: (lambda c: all(extents(a)[2] > extents(a)[0] for a in c.values()) and c)(self.controls(q)),
                         message='the controls placed')
        client = tuple(v // scale for v in self.client(q))
        strip = {name: extents(a) for name, a in controls.items() if name != 'Dati ricevuti'}
        for name, rect in strip.items():
            self.assertTrue(inside(rect, client), (size, name, rect, client))
            self.assertTrue(all(other == name or r[2] <= rect[0] or rect[2] <= r[0] or r[3] <= rect[1] or rect[3] <= r[1]
                                for other, r in strip.items()), (size, name, strip))
        display = extents(controls['Dati ricevuti'])
        self.assertGreater(display[1], max(r[3] for r in strip.values()), size)
        for bar in q.find_all('scroll bar', controls['Dati ricevuti']):
            self.assertTrue(inside(extents(bar), client), (size, extents(bar), client))
        return display, client

    def test_maximized_and_full_screen_the_display_fills_the_window(self):
        q = self.start()
        x('xdotool', 'windowactivate', '--sync', q.window)
        until(lambda: q.outer_pixels()[2:] == (800, 333), message='the start-up size')
        normal = q.client_geometry()
        for state in ('maximized_vert,maximized_horz', 'fullscreen'):
            x('wmctrl', '-i', '-r', q.window, '-b', 'add,' + state)
            until(lambda: q.client_geometry()[2] > 1200, message=f'{state}')
            display, client = until(lambda: (lambda d, c: d[3] == c[3] and (d, c))(*self.check_reachable(q, state)),
                                    message=f'the display at the bottom, {state}')
            self.assertEqual(display[2], client[2])
            ruler = extents(q.find('label', 'Righello delle colonne'))
            self.assertGreaterEqual(ruler[2], display[2] - 20)  # over every column up to the scroll bar
            # Drawn: the display's ground right up to its scroll bar and its bottom one.
            self.assertEqual(screen_pixels(display[2] - 24, display[3] - 24, 1, 1)[0][0], (0, 0, 0))
            x('wmctrl', '-i', '-r', q.window, '-b', 'remove,' + state)
            until(lambda: q.client_geometry() == normal, message=f'the size before {state}, is {q.client_geometry()}')

    def test_very_small_and_scaled_windows_keep_every_control_in_reach(self):
        q = self.start()
        x('xdotool', 'windowsize', q.window, '200', '80')
        until(lambda: q.client_geometry()[2] == 200, message='the small size')
        pump(0.5)
        self.check_reachable(q, '200 by 80')
        x('xdotool', 'windowsize', q.window, '20', '20')
        until(lambda: q.client_geometry()[2] < 200, message='narrower')
        pump(0.5)
        self.check_reachable(q, 'narrowest')

    def test_twice_the_scale_starts_within_the_screen(self):
        # The first run's window, 11000 twips wide: 1466 pixels at this scale.
        q = self.start(settings=record(lf='0', left=0, top=0, width=11000, height=4500), QT_SCALE_FACTOR='2')
        left, top, width, height = q.outer_pixels()
        self.assertTrue(inside((left, top, left + width, top + height), self.SCREEN), q.outer_pixels())
        self.check_reachable(q, 'scale 2', scale=2)


class Placement(unittest.TestCase):
    """The window's outer frame under real window managers, and with none."""

    MANAGERS = ('openbox', 'icewm', None)

    def cycle(self, settings, by_manager):
        q = Quillar(settings, device=False)
        try:
            wanted = (1500 // TWIPS, 1200 // TWIPS, 12000 // TWIPS, 4995 // TWIPS)
            until(lambda: q.outer_pixels() == wanted, message=f'the frame at {wanted}, is {q.outer_pixels()}')
            return q.close(by_manager)
        finally:
            q.dispose()

    def test_restarts_leave_the_file_unchanged(self):
        for manager in self.MANAGERS:
            with self.subTest(manager=manager):
                WindowManager.use(manager)
                settings = record()
                for _ in range(3):
                    self.assertEqual(self.cycle(settings, by_manager=manager is not None), settings)

    def test_first_resize_stays_and_height_snaps_to_its_minimum(self):
        for manager in self.MANAGERS:
            with self.subTest(manager=manager):
                WindowManager.use(manager)
                q = Quillar(record(), device=False)
                try:
                    until(lambda: q.outer_pixels()[2:] == (800, 333), message='the start-up size')
                    left, right, top, bottom = q.frame_extents()
                    x('xdotool', 'windowsize', q.window, '900', '400')
                    until(lambda: q.client_geometry()[2:] == (900, 400), message='the resize')
                    pump(0.5)
                    self.assertEqual(q.client_geometry()[2:], (900, 400))
                    x('xdotool', 'windowsize', q.window, '900', '40')
                    # 1825 twips, as whole pixels: 122.
                    until(lambda: q.outer_pixels()[3] == 122, message=f'the minimum height, is {q.outer_pixels()}')
                    written = q.close(by_manager=manager is not None)
                    self.assertEqual(written, record(width=(900 + left + right) * TWIPS, height=122 * TWIPS))
                finally:
                    q.dispose()


def main():
    global PROGRAM, DISPLAY
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    read, write = os.pipe()
    # Between two window managers the server may have no client left: it
    # must not reset then, as it refuses connections while it does.
    server = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-screen', '0', '1280x800x24', '-dpi', '96',
                               '-nolisten', 'tcp', '-noreset'], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as announced:
        DISPLAY = ':' + (announced.readline().strip() or sys.exit('Xvfb did not start'))
    until(lambda: subprocess.run(['xprop', '-root'], env=on_display(), capture_output=True).returncode == 0,
          message='the X server')
    bus = subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        until(lambda: subprocess.run(['dbus-send', '--session', '--dest=org.a11y.Bus', '--print-reply',
                                      '/org/a11y/bus', 'org.freedesktop.DBus.Properties.Set',
                                      'string:org.a11y.Status', 'string:IsEnabled', 'variant:boolean:true'],
                                     capture_output=True).returncode == 0, message='the accessibility bus')
        Atspi.init()
        result = unittest.main(exit=False, verbosity=2).result
    finally:
        WindowManager.use(None) if WindowManager.current and WindowManager.current[1] else None
        bus.terminate()
        server.terminate()
        server.wait()
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == '__main__':
    main()
