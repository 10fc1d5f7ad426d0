#include "system_text.h"

#include <cerrno>
#include <cstring>

namespace quillar {

namespace {

struct Reason
{
    int errnoValue;
    const char *text;
};

// The reasons a port, a socket or a file met by Quillar can give.
constexpr Reason Reasons[] = {
    {EPERM, "Operazione non permessa"},
    {ENOENT, "File o directory inesistente"},
    {EINTR, "Chiamata di sistema interrotta"},
    {EIO, "Errore di input/output"},
    {ENXIO, "Dispositivo o indirizzo inesistente"},
    {EBADF, "Descrittore di file non valido"},
    {EAGAIN, "Risorsa temporaneamente non disponibile"},
    {ENOMEM, "Memoria esaurita"},
    {EACCES, "Permesso negato"},
    {EBUSY, "Dispositivo o risorsa occupati"},
    {EEXIST, "Il file esiste"},
    {EXDEV, "Collegamento fra dispositivi diversi non valido"},
    {ENODEV, "Dispositivo inesistente"},
    {ENOTDIR, "Non è una directory"},
    {EISDIR, "È una directory"},
    {EINVAL, "Argomento non valido"},
    {ENFILE, "Troppi file aperti nel sistema"},
    {EMFILE, "Troppi file aperti"},
    {ENOTTY, "Ioctl non appropriata per il dispositivo"},
    {ETXTBSY, "File di testo occupato"},
    {EFBIG, "File troppo grande"},
    {ENOSPC, "Spazio esaurito sul dispositivo"},
    {ESPIPE, "Posizionamento non permesso"},
    {EROFS, "File system in sola lettura"},
    {EMLINK, "Troppi collegamenti"},
    {EPIPE, "Pipe interrotta"},
    {ENAMETOOLONG, "Nome del file troppo lungo"},
    {ENOSYS, "Funzione non implementata"},
    {ELOOP, "Troppi livelli di collegamenti simbolici"},
    {EOPNOTSUPP, "Operazione non supportata"},
    {ENOBUFS, "Spazio di buffer esaurito"},
    {EADDRINUSE, "Indirizzo già in uso"},
    {EADDRNOTAVAIL, "Impossibile assegnare l'indirizzo richiesto"},
    {ENETDOWN, "La rete non è attiva"},
    {ENETUNREACH, "La rete non è raggiungibile"},
    {ECONNABORTED, "Connessione interrotta dal software"},
    {ECONNRESET, "Connessione chiusa dall'altra parte"},
    {ENOTCONN, "Il socket di destinazione non è connesso"},
    {ETIMEDOUT, "Tempo scaduto per la connessione"},
    {ECONNREFUSED, "Connessione rifiutata"},
    {EHOSTDOWN, "L'host non è attivo"},
    {EHOSTUNREACH, "Nessuna strada per raggiungere l'host"},
    {ESTALE, "Riferimento al file obsoleto"},
    {EDQUOT, "Quota del disco superata"},
};

} // namespace

QString systemText(int errnoValue)
{
    for (const Reason &reason : Reasons) {
        if (reason.errnoValue == errnoValue)
            return QString::fromUtf8(reason.text);
    }
    const char *symbol = ::strerrorname_np(errnoValue);
    return symbol ? QStringLiteral("Errore di sistema %1 (%2)").arg(QString::fromLatin1(symbol)).arg(errnoValue)
                  : QStringLiteral("Errore di sistema %1").arg(errnoValue);
}

} // namespace quillar
