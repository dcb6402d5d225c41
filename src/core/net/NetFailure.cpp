#include "core/net/NetFailure.h"

namespace fotoloom {

namespace {

std::string Sentence(CURLcode code, const std::string& server, bool refused) {
  switch (code) {
    case CURLE_ABORTED_BY_CALLBACK:
      return "De verbinding is afgebroken.";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "De server " + server + " is niet gevonden; controleer de servernaam.";
    case CURLE_COULDNT_CONNECT:
      return "De server " + server + " is niet bereikbaar.";
    case CURLE_OPERATION_TIMEDOUT:
      return "De server " + server + " antwoordt niet meer.";
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
      if (code == CURLE_LOGIN_DENIED || !refused)
        return "De server " + server + " heeft de gebruikersnaam of het wachtwoord geweigerd.";
      break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return "Het certificaat van " + server + " wordt niet vertrouwd.";
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return "Het certificaat van " + server + " is veranderd sinds het werd geaccepteerd.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
      return "Er kon geen beveiligde verbinding met " + server + " worden opgezet.";
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      if (!refused) return "De verbinding met " + server + " is onderbroken.";
      break;
    default:
      break;
  }
  if (refused) return "De server " + server + " heeft de opdracht geweigerd.";
  return "Er is een netwerkfout opgetreden bij " + server + ".";
}

}  // namespace

std::string NetFailureText(CURLcode code, const std::string& server, const std::string& refusal,
                           const std::string& technical) {
  const bool refused = !refusal.empty();
  // A login refusal reaches libcurl as several codes; the server's reply says what it was.
  const bool login_refused = refused && (refusal.rfind("530", 0) == 0 ||
                                         refusal.rfind("535", 0) == 0);
  const std::string sentence =
      login_refused ? Sentence(CURLE_LOGIN_DENIED, server, false) : Sentence(code, server, refused);
  if (code == CURLE_ABORTED_BY_CALLBACK) return sentence;
  const std::string& detail = refused ? refusal : technical;
  return detail.empty() ? sentence : sentence + " (" + detail + ")";
}

}  // namespace fotoloom
