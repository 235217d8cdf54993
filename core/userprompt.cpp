#include "core/userprompt.h"

bool NonInteractivePrompt::confirm(const QString& question)
{
    m_lastQuestion = question;
    return m_answer;
}
