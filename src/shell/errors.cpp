#include "errors.h"

namespace shell {

QString errorDescription(int number)
{
    switch (number) {
    case error::Overflow:
        return QStringLiteral("Overflow");
    case error::TypeMismatch:
        return QStringLiteral("Tipo non corrispondente");
    case error::AlreadyShown:
        return QStringLiteral("Form già visualizzato: impossibile visualizzarlo come modale");
    case error::NoSuchMember:
        return QStringLiteral("Proprietà o metodo non supportati dall'oggetto");
    case error::NoSuchControl:
        return QStringLiteral("Controllo non trovato");
    case error::Internal:
        return QStringLiteral("Errore interno");
    default:
        return QStringLiteral("Errore definito dall'applicazione o dall'oggetto");
    }
}

RuntimeError::RuntimeError(int number, const QString& detail)
    : m_number(number)
    , m_detail(detail)
{
    QString text = QStringLiteral("Errore %1: %2").arg(number).arg(description());
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    m_what = text.toStdString();
}

}
