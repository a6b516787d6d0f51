// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandbytes.h"

namespace talvor {

quint8 initCommandByte(int index)
{
    return index == 0 ? kInitCommand : static_cast<quint8>(kRequestCommand + index);
}

quint8 programCommandByte(int listPosition)
{
    return static_cast<quint8>(kProgramCommand + 1 + listPosition);
}

} // namespace talvor
