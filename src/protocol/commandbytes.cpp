#include "commandbytes.h"

#include "commcomponent.h"

namespace talvor {

quint8 initCommandByte(int index)
{
    return index == 0 ? kInitCommand : static_cast<quint8>(kRequestCommand + index);
}

quint8 programCommandByte(int listPosition)
{
    return static_cast<quint8>(kProgramCommand + 1 + listPosition);
}

CommStatus sendCommandByte(CommComponent &comm, quint8 byte)
{
    const CommResult<bool> open = comm.portOpen();
    if (!open.ok())
        return open.error();
    if (!open.value())
        return {};
    const char data = static_cast<char>(byte);
    return comm.output(QByteArrayView(&data, 1));
}

} // namespace talvor
