// The line settings through termios2, which takes any rate as a number
// (BOTHER) and reads back what the driver applied. Its header defines a
// struct termios of the kernel's that clashes with the C library's, so
// nothing here may include <termios.h>.
#include "port/serial_driver.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace quillar {

namespace {

tcflag_t sizeBits(int dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

} // namespace

int LinuxSerialDriver::setLine(int fd, const CommSettings &s)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    // Every byte as it came: no translation, no flow control, parity and
    // framing errors handed over as received (the counters report them), a
    // break as a NUL.
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK
                           | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    t.c_cflag |= CREAD | CLOCAL | sizeBits(s.dataBits) | BOTHER | (BOTHER << IBSHIFT);
    switch (s.parity) {
    case CommSettings::Parity::None:
        break;
    case CommSettings::Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case CommSettings::Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case CommSettings::Parity::Mark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case CommSettings::Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (s.stopBits != CommSettings::StopBits::One)
        t.c_cflag |= CSTOPB;
    t.c_ispeed = speed_t(s.baud);
    t.c_ospeed = speed_t(s.baud);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return ::ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

int LinuxSerialDriver::getLine(int fd, CommSettings &s)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    // The input speed is the one that matters to a receiver; a driver that
    // keeps one speed for both may leave it 0.
    const speed_t speed = t.c_ispeed != 0 ? t.c_ispeed : t.c_ospeed;
    s.baud = speed > 0x7fffffffU ? 0 : std::int32_t(speed);
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        s.parity = CommSettings::Parity::None;
    else if (t.c_cflag & CMSPAR)
        s.parity = (t.c_cflag & PARODD) ? CommSettings::Parity::Mark : CommSettings::Parity::Space;
    else
        s.parity = (t.c_cflag & PARODD) ? CommSettings::Parity::Odd : CommSettings::Parity::Even;
    s.stopBits = (t.c_cflag & CSTOPB) ? CommSettings::StopBits::Two : CommSettings::StopBits::One;
    return 0;
}

} // namespace quillar
