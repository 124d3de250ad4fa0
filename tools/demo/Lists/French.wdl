bonjour
merci
fromage
bibliotheque
fenetre
