#include "error_texts.h"

#include <QList>
#include <QString>

#include "cp1252.h"
#include "rasapi32.h"

namespace orv::ras {
namespace {

// UTF-8 here, so the source reads as German; the service answers in single bytes.
const char* germanText(std::uint32_t code) {
  switch (code) {
    case RAS_SUCCESS:
      return "Der Vorgang wurde erfolgreich beendet.";
    case RAS_ERROR_ACCESS_DENIED:
      return "Zugriff verweigert: Diese Verbindung gehört einem anderen Benutzer oder darf von "
             "Ihnen nicht geändert werden.";
    case RAS_ERROR_INVALID_HANDLE:
      return "Ungültiges Handle";
    case RAS_ERROR_NOT_ENOUGH_MEMORY:
      return "Nicht genügend Speicher.";
    case RAS_ERROR_INVALID_PARAMETER:
      return "Ungültiger Parameter.";
    case RAS_ERROR_BUFFER_TOO_SMALL:
      return "Der Puffer ist zu klein";
    case RAS_ERROR_CANNOT_OPEN_PHONEBOOK:
      return "Das Telefonbuch kann nicht geöffnet werden.";
    case RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY:
      return "Der Telefonbucheintrag wurde nicht gefunden";
    case RAS_ERROR_INVALID_SIZE:
      return "Die Größe der Struktur ist ungültig.";
    case RAS_ERROR_NO_CONNECTION:
      return "Die Verbindung wurde getrennt";
    case RAS_ERROR_PPPD_MISSING:
      return "Das Programm pppd wurde nicht gefunden. Bitte installieren Sie das Paket ppp.";
    case RAS_ERROR_PPPD_NOT_PERMITTED:
      return "Sie dürfen keine DFÜ-Verbindung herstellen: pppd dürfen nur Mitglieder der Gruppe "
             "dip starten.";
    case RAS_ERROR_PPPD_NOT_STARTED:
      return "pppd konnte nicht gestartet werden.";
    case RAS_ERROR_PEERS_NOT_PERMITTED:
      return "Die DFÜ-Verbindungen können nicht gelesen werden: Ihr Ordner ist nur für "
             "Mitglieder der Gruppe dip lesbar.";
    case RAS_ERROR_NO_DIALOG:
      return "Der Dialog zum Bearbeiten der Verbindung kann hier nicht angezeigt werden.";
    case RAS_ERROR_DELETE_FAILED:
      return "Die Verbindung konnte nicht gelöscht werden.";
    case RAS_ERROR_INTERNAL:
      return "Im DFÜ-Dienst ist ein unerwarteter Fehler aufgetreten.";
    case RAS_ERROR_NM_NOT_PERMITTED:
      return "NetworkManager hat den Vorgang abgelehnt: Ihnen fehlt die Berechtigung dafür.";
    case RAS_ERROR_NM_UNREACHABLE:
      return "NetworkManager läuft nicht oder ist nicht erreichbar.";
    case RAS_ERROR_NM_NO_ANSWER:
      return "NetworkManager hat nicht rechtzeitig geantwortet.";
    case RAS_ERROR_NM_NO_DEVICE:
      return "Für diese Verbindung ist kein Gerät bereit. Ist das Modem angeschlossen?";
    case RAS_ERROR_NM_FAILED:
      return "NetworkManager konnte den Vorgang nicht ausführen.";
    case RAS_ERROR_PPPD_ENDED:
    case RAS_ERROR_PPPD_EXIT_BASE + 0:
      return "pppd wurde beendet, bevor die Verbindung stand.";
    default:
      break;
  }
  // Why pppd ended, by its exit status.
  static const char* const kPppdExit[] = {
      nullptr,
      "pppd ist auf einen schweren Fehler gestoßen.",
      "Die Optionen der Verbindung sind fehlerhaft.",
      "pppd ist nicht mit den nötigen Rechten installiert.",
      "Der Kernel unterstützt kein PPP.",
      "pppd wurde durch ein Signal beendet.",
      "Das Gerät ist belegt.",
      "Das Gerät kann nicht geöffnet werden.",
      "Das Wählen ist fehlgeschlagen (besetzt, keine Antwort oder kein Modem).",
      "Das Programm für die Verbindung konnte nicht gestartet werden.",
      "Die PPP-Verhandlung ist fehlgeschlagen.",
      "Die Gegenstelle hat sich nicht ausgewiesen.",
      "Die Verbindung wurde wegen Untätigkeit getrennt.",
      "Die Verbindung wurde nach ihrer Höchstdauer getrennt.",
      "Die Gegenstelle ruft zurück.",
      "Die Gegenstelle antwortet nicht mehr.",
      "Das Modem hat aufgelegt.",
      "Die Leitung ist eine Schleife zu sich selbst.",
      "Das Einrichtungsskript ist fehlgeschlagen.",
      "Die Anmeldung ist fehlgeschlagen: Benutzername oder Kennwort ist falsch."};
  if (code > RAS_ERROR_PPPD_EXIT_BASE && code < RAS_ERROR_PPPD_EXIT_BASE + 20)
    return kPppdExit[code - RAS_ERROR_PPPD_EXIT_BASE];
  return nullptr;
}

}  // namespace

std::string errorText(std::uint32_t code) {
  const char* text = germanText(code);
  if (!text) return {};
  std::string bytes;
  for (const char32_t c : QString::fromUtf8(text).toUcs4()) {
    const int b = unicodeToCp1252(c);
    bytes += static_cast<char>(b < 0 ? '?' : b);
  }
  return bytes;
}

}  // namespace orv::ras
