// OCIClientVersion: the release the engine answers as a client library. The
// engine speaks the OCI of a 19c client whatever server profile it shows.
#include "oci/oci_types.h"

extern "C" __attribute__((visibility("default"))) void OCIClientVersion(sword* major_version,
                                                                        sword* minor_version,
                                                                        sword* update_num,
                                                                        sword* patch_num,
                                                                        sword* port_update_num) {
  if (major_version) *major_version = 19;
  if (minor_version) *minor_version = 0;
  if (update_num) *update_num = 0;
  if (patch_num) *patch_num = 0;
  if (port_update_num) *port_update_num = 0;
}
