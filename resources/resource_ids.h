/* Resource numbers shared by the resource script and the program. */
#ifndef ORNIVEX_RESOURCE_IDS_H
#define ORNIVEX_RESOURCE_IDS_H

#define ORNIVEX_IDI_APP 129        /* application icon, 512 px down to 16 px */

#endif
