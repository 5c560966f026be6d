#include "skin.h"

void ApplySkin(QWidget& /*window*/)
{
}
