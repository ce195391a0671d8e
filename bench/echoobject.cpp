#include "echoobject.h"

QString EchoObject::echo(const QString &text)
{
    return text;
}
