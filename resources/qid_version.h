/* Version of the Quendrel Image Driver package, shared by the programs' version resources. */
#ifndef QID_RESOURCES_QID_VERSION_H_
#define QID_RESOURCES_QID_VERSION_H_

#define QID_VERSION_BINARY 4, 1, 0, 0
#define QID_VERSION_TEXT "4.1.0.0"
#define QID_PRODUCT_NAME "Quendrel Image Driver"

#endif /* QID_RESOURCES_QID_VERSION_H_ */
