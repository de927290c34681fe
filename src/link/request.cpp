#include "link/request.h"

QByteArray buildRequest(const QString &station, const QString &command) {
    QByteArray request;
    request.reserve(station.size() + command.size() + 3);
    request.append(LinkChar::STX);
    request.append(station.toLatin1());
    request.append(LinkChar::ESC);
    request.append(command.toLatin1());
    request.append(LinkChar::CR);
    return request;
}
