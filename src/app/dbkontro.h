// The control object: the store-wide data of the control table, copied once
// by start-up and read by the report.
#ifndef KX_APP_DBKONTRO_H_
#define KX_APP_DBKONTRO_H_

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/values/date.h"
#include "runtime/values/value.h"

namespace kx {

class DBKONTRO : public Object {
 public:
  std::string class_name() const override { return "DBKONTRO"; }

  std::string CDATAFOLDER;
  uint32_t DWDATAID = 0;
  uint32_t DWVERSI = 0;
  std::string CWEBFOLDER;
  uint16_t WSTATE = 0;
  std::string CUSERNAME;
  uint32_t DWUSERACTIVE = 0;
  bool LUSERVALID = false;
  std::string CFOLDER;
  std::string CATASNAMA;
  std::string CALAMAT;
  std::string CNPWP;
  Date DAKTIF;
  Date DHAPUSDATA;
  std::string CMESSAGE;
  std::string CFILENAME;
  Date DSEARCHTANGGAL1;
  Date DSEARCHTANGGAL2;
  uint32_t DWPARAMETER1 = 0;
  uint32_t DWPARAMETER2 = 0;
  int32_t LIPARAMRECNO = 0;
};

// The process-wide control object; empty until start-up creates it.
std::shared_ptr<DBKONTRO>& control_object();

// Copies the current record of M_KONTRO into the control object; folder is
// the data folder. A missing object or a field of the wrong kind raises a
// runtime error.
bool ASSIGNDBKONTRO(const std::string& folder);

}  // namespace kx

#endif  // KX_APP_DBKONTRO_H_
