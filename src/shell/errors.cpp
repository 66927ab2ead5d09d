#include "errors.h"

namespace shell {

std::string errorDescription(int number)
{
    switch (number) {
    case error::Overflow:
        return "Overflow";
    case error::TypeMismatch:
        return "Tipo non corrispondente";
    case error::ObjectUnloaded:
        return "Oggetto scaricato";
    case error::AlreadyShown:
        return "Form già visualizzato: impossibile visualizzarlo come modale";
    case error::NoSuchMember:
        return "Proprietà o metodo non supportati dall'oggetto";
    case error::NoSuchControl:
        return "Controllo non trovato";
    case error::Internal:
        return "Errore interno";
    default:
        return "Errore definito dall'applicazione o dall'oggetto";
    }
}

RuntimeError::RuntimeError(int number, std::string detail)
    : m_number(number)
    , m_detail(std::move(detail))
{
    m_what = "Errore " + std::to_string(number) + ": " + description();
    if (!m_detail.empty())
        m_what += " (" + m_detail + ")";
}

}
