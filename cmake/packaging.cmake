# Packages: a .deb through CPack, and the Windows deployment step.
