// Makes the own-drawn controls known to form descriptions.
#include "rtl/components/xp/xp_control_set.h"

#include "rtl/components/xp/xp_bitbtn.h"
#include "rtl/components/xp/xp_checkbox.h"
#include "rtl/components/xp/xp_combobox.h"
#include "rtl/components/xp/xp_edits2.h"
#include "rtl/components/xp/xp_ext_ctrls.h"
#include "rtl/components/xp/xp_ext_panel.h"
#include "rtl/components/xp/xp_groupbox.h"

namespace xp {

void RegisterXPControls() {
  framework::RegisterComponent<TXPBitBtn>();
  framework::RegisterComponent<TXPCheckBox>();
  framework::RegisterComponent<TXPComboBox>();
  framework::RegisterComponent<TXPEdit>();
  framework::RegisterComponent<TXPExtPanel>();
  framework::RegisterComponent<TXPGroupBox>();
  framework::RegisterComponent<TXPSplitter>();
}

}  // namespace xp
